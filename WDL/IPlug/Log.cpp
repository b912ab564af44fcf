#include "Log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef TRACER_BUILD
#include "mutex.h"
#endif

// ---- Time stamp ---------------------------------------------------------------------

int UTCOffsetMinutes(const struct tm& local, const struct tm& utc) {
  int offset = (local.tm_hour * 60 + local.tm_min) - (utc.tm_hour * 60 + utc.tm_min);
  const int dayDiff = local.tm_yday - utc.tm_yday;
  if (dayDiff != 0) {
    // The two can be a day apart at most; a larger jump is the year turning over.
    if (dayDiff > 1) offset -= 1440;
    else if (dayDiff < -1) offset += 1440;
    else offset += 1440 * dayDiff;
  }
  return offset;
}

void FormatTimeStamp(char* out, int outSize, const struct tm& local, const struct tm& utc) {
  if (!out || outSize < 1) return;
  char date[32];
  if (strftime(date, sizeof(date), "%Y%m%d %H:%M ", &local) == 0) date[0] = 0;
  const int offset = UTCOffsetMinutes(local, utc);
  const int absOffset = offset < 0 ? -offset : offset;
  snprintf(out, static_cast<size_t>(outSize), "%s%c%02d%02d", date, offset >= 0 ? '+' : '-', absOffset / 60,
           absOffset % 60);
}

const char* CurrentTime() {
  // One per thread: plug-in instances are created on several host threads at once.
  static thread_local char sTimeStamp[32];
  const time_t now = time(nullptr);
  struct tm local, utc;
  if (!localtime_r(&now, &local) || !gmtime_r(&now, &utc)) {
    sTimeStamp[0] = 0;
    return sTimeStamp;
  }
  FormatTimeStamp(sTimeStamp, sizeof(sTimeStamp), local, utc);
  return sTimeStamp;
}

// ---- Names of host-interface codes ------------------------------------------------------

const char* VSTOpcodeStr(int) { return ""; }
const char* AUSelectStr(int) { return ""; }
const char* AUPropertyStr(int) { return ""; }
const char* AUScopeStr(int) { return ""; }

// ---- Records --------------------------------------------------------------------------

int FormatTraceRecord(char* out, int outSize, const char* name, int line, const char* format,
                      va_list args) {
  if (!out || outSize < 1) return 0;
  int len = snprintf(out, static_cast<size_t>(outSize), "%s:%d ", name ? name : "", line);
  if (len < 0) len = 0;
  if (len >= outSize) return outSize - 1;
  if (format) {
    const int more = vsnprintf(out + len, static_cast<size_t>(outSize - len), format, args);
    if (more > 0) len += more;
  }
  return len < outSize ? len : outSize - 1;
}

#ifdef TRACER_BUILD

namespace {

WDL_Mutex& TraceMutex() {
  static WDL_Mutex sMutex;
  return sMutex;
}

FILE* sTraceFile = nullptr;
char sTracePath[1024];
unsigned long sTraceSeq = 0;

// Caller holds the trace mutex.
const char* TraceFilePathLocked() {
  if (!sTracePath[0]) {
    const char* explicitPath = getenv("TONEGLASS_TRACE_FILE");
    if (explicitPath && explicitPath[0]) {
      snprintf(sTracePath, sizeof(sTracePath), "%s", explicitPath);
    } else {
      const char* dir = getenv("TMPDIR");
      snprintf(sTracePath, sizeof(sTracePath), "%s/toneglass-trace.txt", dir && dir[0] ? dir : "/tmp");
    }
  }
  return sTracePath;
}

}  // namespace

const char* TraceFilePath() {
  WDL_MutexLock lock(&TraceMutex());
  return TraceFilePathLocked();
}

void TraceClose() {
  WDL_MutexLock lock(&TraceMutex());
  if (sTraceFile) fclose(sTraceFile);
  sTraceFile = nullptr;
}

void Trace(const char* name, int line, const char* format, ...) {
  char record[1024];
  va_list args;
  va_start(args, format);
  FormatTraceRecord(record, sizeof(record), name, line, format, args);
  va_end(args);

  WDL_MutexLock lock(&TraceMutex());
  if (!sTraceFile) {
    sTraceFile = fopen(TraceFilePathLocked(), "a");
    if (!sTraceFile) return;
  }
  // One line per record, numbered so that interleaved instances stay in order.
  fprintf(sTraceFile, "%lu %s\n", ++sTraceSeq, record);
  fflush(sTraceFile);
}

#endif  // TRACER_BUILD
