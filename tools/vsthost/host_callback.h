// The host side of the VST 2 conversation: the callback every plug-in instance calls
// back through, and the transport and configuration it reports.
//
// The tool hosts one plug-in at a time, so the callback reads one process-wide context;
// plug-ins may call it before VSTPluginMain has returned, when no AEffect is known yet.
#ifndef TOOLS_VSTHOST_HOST_CALLBACK_H_
#define TOOLS_VSTHOST_HOST_CALLBACK_H_

#include <atomic>
#include <cstdint>

#include "aeffectx.h"

namespace vsthost {

// What the host tells the plug-in about itself and the running render.
struct HostContext {
  std::atomic<double> sampleRate{44100.0};
  std::atomic<int> blockSize{512};
  std::atomic<int64_t> samplePos{0};  // first frame of the block being processed
  std::atomic<int> processLevel{kVstProcessLevelUser};
  // Set when the plug-in announces new I/O or latency (audioMasterIOChanged).
  std::atomic<bool> ioChanged{false};
  std::atomic<int> automateCount{0};
};

// Tempo and metre the host reports: a render is a playing 4/4 song at 120 BPM from 0.
constexpr double kHostTempo = 120.0;
constexpr int kHostTimeSigNumerator = 4;
constexpr int kHostTimeSigDenominator = 4;

constexpr const char* kHostVendorString = "Toneglass";
constexpr const char* kHostProductString = "toneglass-host";
constexpr VstIntPtr kHostVendorVersion = 10000;  // 1.0.0 as major*10000 + minor*100 + patch

// The context the callback answers from; null makes it answer like a bare host.
void SetHostContext(HostContext* context);

// The audioMasterCallback handed to the plug-in's entry point.
VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt);

// Fills a transport record for the given sample position (what audioMasterGetTime returns).
void FillTimeInfo(int64_t samplePos, double sampleRate, VstTimeInfo* info);

// The capability texts the host says yes to (audioMasterCanDo answers 1 for these, 0 else).
bool HostCanDo(const char* text);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_HOST_CALLBACK_H_
