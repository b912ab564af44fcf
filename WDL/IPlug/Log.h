// Trace points and the time stamp.
//
// The framework marks its interesting moments with Trace(name, line, format, ...).
// In a normal build Trace is an empty inline function: the call compiles to nothing
// (its arguments are still evaluated, so CurrentTime() runs where it is passed).
// A build configured with -DTONEGLASS_TRACE=ON defines TRACER_BUILD; Trace then
// appends one line per record to the trace file (see TraceFilePath).
#ifndef IPLUG_LOG_H_
#define IPLUG_LOG_H_

#include <cstdarg>
#include <ctime>

// The name and line of the calling place, for Trace(TRACELOC, ...).
#define TRACELOC __FUNCTION__, __LINE__

#ifdef TRACER_BUILD
// Formats one record and appends it to the trace file, which is opened on first use.
// Calls from several threads are serialised; failures to open or write are ignored.
void Trace(const char* name, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
// The trace file: $TONEGLASS_TRACE_FILE if set, else toneglass-trace.txt in $TMPDIR
// (or /tmp). Decided on first use.
const char* TraceFilePath();
// Flushes and closes the trace file; the next record opens it again (appending).
void TraceClose();
#else
inline void Trace(const char*, int, const char*, ...) __attribute__((format(printf, 3, 4)));
inline void Trace(const char*, int, const char*, ...) {}
#endif

// Names of host-interface codes for trace records; the empty text in this program.
const char* VSTOpcodeStr(int opCode);
const char* AUSelectStr(int select);
const char* AUPropertyStr(int propID);
const char* AUScopeStr(int scope);

// The local time as "YYYYMMDD HH:MM +HHMM" (offset from UTC) in a 32-byte buffer of
// the calling thread that each call on that thread overwrites.
const char* CurrentTime();

// ---- Building blocks, also used by the tests ----------------------------------------

// Minutes by which local time is ahead of UTC, from the two broken-down forms of one
// moment; across a day boundary the day of the year decides (a year boundary shows as
// a jump of more than one day and counts as one day).
int UTCOffsetMinutes(const struct tm& local, const struct tm& utc);
// Writes the CurrentTime() text for one moment into out (outSize bytes, cut to fit).
void FormatTimeStamp(char* out, int outSize, const struct tm& local, const struct tm& utc);
// Writes one trace record, "name:line format-result", into out (cut to fit, always
// terminated). Returns the length written.
int FormatTraceRecord(char* out, int outSize, const char* name, int line, const char* format,
                      va_list args);

#endif  // IPLUG_LOG_H_
