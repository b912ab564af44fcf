// The signal path and identity of the split test plug-in, and its VST 2 entry point.
#include "gain_filter_plug.h"

#include <cmath>

GainFilterPlug::GainFilterPlug(IPlugInstanceInfo instanceInfo)
    : IPlugVST(instanceInfo, kNumParams, kNumParams, "2-2", 1, "GainFilter", "", "Toneglass tests",
               0x00010000, 0x47466c74, 0x54657374, 0, false, true, false, 0) {
  GetParam(kGain)->InitDouble("Gain", -3.0, -60.0, 12.0, 0.1, "dB");
  GetParam(kCutoff)->InitDouble("Cutoff", 2000.0, 20.0, 20000.0, 1.0, "Hz", "", 2.0);
  AttachEditor();
  MakeDefaultPreset("-", 1);
}

void GainFilterPlug::Reset() {
  WDL_MutexLock lock(&mMutex);
  mState[0] = mState[1] = 0.0;
  UpdateCoefficient();
}

void GainFilterPlug::OnParamChange(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  if (paramIdx == kGain) mGain = GetParam(kGain)->DBToAmp();
  if (paramIdx == kCutoff) UpdateCoefficient();
}

void GainFilterPlug::UpdateCoefficient() {
  const double rate = GetSampleRate() > 0.0 ? GetSampleRate() : 44100.0;
  mCoefficient = 1.0 - std::exp(-6.283185307179586 * GetParam(kCutoff)->Value() / rate);
}

void GainFilterPlug::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  for (int ch = 0; ch < 2; ++ch) {
    double y = mState[ch];
    for (int i = 0; i < nFrames; ++i) {
      y += mCoefficient * (inputs[ch][i] - y);
      outputs[ch][i] = y * mGain;
    }
    mState[ch] = y;
  }
}

#define PLUG_CLASS_NAME GainFilterPlug
#include "IPlug_include_in_plug_src.h"
