#include "host_callback.h"

#include <cmath>
#include <cstring>
#include <ctime>

namespace vsthost {

namespace {

std::atomic<HostContext*> gContext{nullptr};

// Plug-ins keep the returned pointer only until their next host call; one record per
// thread keeps a worker thread's query from rewriting the audio thread's.
thread_local VstTimeInfo tTimeInfo;

void CopyHostString(void* ptr, const char* text) {
  if (!ptr) return;
  // The interface sizes these buffers at kVstMaxVendorStrLen / kVstMaxProductStrLen.
  strncpy(static_cast<char*>(ptr), text, kVstMaxProductStrLen - 1);
  static_cast<char*>(ptr)[kVstMaxProductStrLen - 1] = '\0';
}

const char* const kHostCapabilities[] = {
    "sendVstTimeInfo",   // audioMasterGetTime answers with tempo, bars and metre
    "acceptIOChanges",   // audioMasterIOChanged is noted and checked between blocks
    "startStopProcess",  // effStartProcess / effStopProcess bracket every render
};

}  // namespace

void SetHostContext(HostContext* context) { gContext.store(context); }

bool HostCanDo(const char* text) {
  if (!text) return false;
  for (const char* cap : kHostCapabilities)
    if (strcmp(text, cap) == 0) return true;
  return false;
}

void FillTimeInfo(int64_t samplePos, double sampleRate, VstTimeInfo* info) {
  memset(info, 0, sizeof(*info));
  info->samplePos = static_cast<double>(samplePos);
  info->sampleRate = sampleRate;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  info->nanoSeconds = static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
  const double seconds = sampleRate > 0.0 ? info->samplePos / sampleRate : 0.0;
  info->ppqPos = seconds * kHostTempo / 60.0;
  info->tempo = kHostTempo;
  // Quarter notes per bar: numerator * 4 / denominator.
  const double barLength = kHostTimeSigNumerator * 4.0 / kHostTimeSigDenominator;
  info->barStartPos = std::floor(info->ppqPos / barLength) * barLength;
  info->timeSigNumerator = kHostTimeSigNumerator;
  info->timeSigDenominator = kHostTimeSigDenominator;
  info->flags = kVstTransportPlaying | kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                kVstTimeSigValid;
}

VstIntPtr HostCallback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                       void* ptr, float /*opt*/) {
  HostContext* context = gContext.load();
  const double sampleRate = context ? context->sampleRate.load() : 44100.0;
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(sampleRate);
    case audioMasterGetBlockSize:
      return context ? context->blockSize.load() : 512;
    case audioMasterGetTime:
      FillTimeInfo(context ? context->samplePos.load() : 0, sampleRate, &tTimeInfo);
      return reinterpret_cast<VstIntPtr>(&tTimeInfo);
    case audioMasterGetVendorString:
      CopyHostString(ptr, kHostVendorString);
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      CopyHostString(ptr, kHostProductString);
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return kHostVendorVersion;
    case audioMasterCanDo:
      return HostCanDo(static_cast<const char*>(ptr)) ? 1 : 0;
    case audioMasterGetCurrentProcessLevel:
      return context ? context->processLevel.load() : kVstProcessLevelUser;
    case audioMasterGetLanguage:
      return kVstLangEnglish;
    case audioMasterAutomate:
      if (context) context->automateCount.fetch_add(1);
      return 1;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterUpdateDisplay:
      return 1;
    case audioMasterIOChanged:
      if (context) context->ioChanged.store(true);
      return 1;
    default:
      return 0;
  }
}

}  // namespace vsthost
