// A small VST 2 plug-in that the host tool's tests load in place of a real one. It
// records what the host asks of it, reports what the host tells it through the output,
// and can be told to misbehave.
//
// Environment:
//   FAKE_PLUGIN_MODE  normal (default), null (entry point makes no instance), badmagic,
//                     crash, abort, exit (calls exit(0)) or hang (waits for ever) in the
//                     second processing call, nan (output 1 is NaN), noinputs, single
//                     (no double-precision processing)
//   FAKE_PLUGIN_LOG   file that receives one line per dispatcher call and per block
//
// Audio: output 0 is input 0 times the "Gain" parameter (plain 0 to 2, normalised 0 to
// 1, no text conversion); output 1 is the block's sample position from
// audioMasterGetTime plus the frame index, so it counts frames as the host sees them.
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "aeffectx.h"

namespace {

struct FakePlugin {
  AEffect effect;
  audioMasterCallback host;
  float gain;  // normalised
  int blocks;
  const char* mode;
  FILE* log;
};

FakePlugin* Self(AEffect* e) { return static_cast<FakePlugin*>(e->object); }

void Log(FakePlugin* p, const char* format, long long a, long long b, double c) {
  if (!p->log) return;
  fprintf(p->log, format, a, b, c);
  fflush(p->log);
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  FakePlugin* p = Self(e);
  Log(p, "dispatch %lld %lld %g\n", opcode, static_cast<long long>(value), opt);
  switch (opcode) {
    case effClose:
      if (p->log) fclose(p->log);
      delete p;
      return 0;
    case effGetParamName:
      if (index == 0) strcpy(static_cast<char*>(ptr), "Gain");
      return 0;
    case effGetParamLabel:
      if (index == 0) strcpy(static_cast<char*>(ptr), "x");
      return 0;
    case effGetParamDisplay:
      if (index == 0) snprintf(static_cast<char*>(ptr), 8, "%.2f", p->gain * 2.0);
      return 0;
    case effGetEffectName:
      strcpy(static_cast<char*>(ptr), "Fake");
      return 1;
    case effGetVendorString:
      strcpy(static_cast<char*>(ptr), "Tests");
      return 1;
    case effCanDo:
      return strcmp(static_cast<const char*>(ptr), "receiveVstTimeInfo") == 0 ? 1 : -1;
    default:
      return 0;
  }
}

void SetParameter(AEffect* e, VstInt32 index, float value) {
  if (index == 0) Self(e)->gain = value;
}

float GetParameter(AEffect* e, VstInt32 index) { return index == 0 ? Self(e)->gain : 0.0f; }

template <typename Sample>
void Process(AEffect* e, Sample** in, Sample** out, VstInt32 frames) {
  FakePlugin* p = Self(e);
  Log(p, "process %lld %lld\n", sizeof(Sample) * 8, frames, 0.0);
  // The signal a stray pointer would raise, without the undefined behaviour that the
  // sanitizers would report first.
  if (++p->blocks == 2) {
    if (strcmp(p->mode, "crash") == 0) raise(SIGSEGV);
    if (strcmp(p->mode, "abort") == 0) abort();
    if (strcmp(p->mode, "exit") == 0) exit(0);
    if (strcmp(p->mode, "hang") == 0)
      for (;;) pause();
  }
  const VstTimeInfo* t =
      reinterpret_cast<const VstTimeInfo*>(p->host(e, audioMasterGetTime, 0, kVstPpqPosValid, nullptr, 0));
  const double position = t ? t->samplePos : -1.0;
  for (VstInt32 i = 0; i < frames; ++i) {
    out[0][i] = static_cast<Sample>(in[0][i] * p->gain * 2.0f);
    out[1][i] = strcmp(p->mode, "nan") == 0 ? static_cast<Sample>(NAN) : static_cast<Sample>(position + i);
  }
}

void ProcessFloat(AEffect* e, float** in, float** out, VstInt32 frames) { Process(e, in, out, frames); }
void ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames) { Process(e, in, out, frames); }

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  const char* modeText = getenv("FAKE_PLUGIN_MODE");
  const char* mode = modeText ? modeText : "normal";
  if (strcmp(mode, "null") == 0) return nullptr;
  FakePlugin* p = new FakePlugin();
  memset(&p->effect, 0, sizeof(p->effect));
  p->host = host;
  p->gain = 0.5f;
  p->mode = mode;
  const char* logPath = getenv("FAKE_PLUGIN_LOG");
  p->log = logPath ? fopen(logPath, "w") : nullptr;
  AEffect& e = p->effect;
  e.magic = strcmp(mode, "badmagic") == 0 ? 0x12345678 : kEffectMagic;
  e.dispatcher = Dispatch;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.processReplacing = ProcessFloat;
  e.processDoubleReplacing = ProcessDouble;
  e.numPrograms = 0;
  e.numParams = 1;
  e.numInputs = strcmp(mode, "noinputs") == 0 ? 0 : 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | (strcmp(mode, "single") == 0 ? 0 : effFlagsCanDoubleReplacing);
  e.ioRatio = 1.0f;
  e.object = p;
  e.uniqueID = CCONST('F', 'a', 'k', 'e');
  e.version = 1;
  return &e;
}
