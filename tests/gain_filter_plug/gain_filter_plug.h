// A small stereo plug-in (gain and a one-pole low-pass) whose sources are split the way
// a plug-in with a DSP-only build splits them: the signal path in gain_filter_plug.cpp,
// the editor in gain_filter_plug_editor.cpp. The DSP-only build replaces the editor
// file with gain_filter_plug_no_editor.cpp and links no graphics code at all.
#ifndef TESTS_GAIN_FILTER_PLUG_H_
#define TESTS_GAIN_FILTER_PLUG_H_

#include "IPlugVST.h"

class GainFilterPlug : public IPlugVST {
 public:
  enum EParams { kGain = 0, kCutoff, kNumParams };
  static constexpr int kEditorWidth = 160;
  static constexpr int kEditorHeight = 80;

  explicit GainFilterPlug(IPlugInstanceInfo instanceInfo = IPlugInstanceInfo());

  void Reset() override;
  void OnParamChange(int paramIdx) override;
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;

 private:
  // The editor file's one entry: builds the editor and attaches it, or does nothing.
  void AttachEditor();
  void UpdateCoefficient();

  double mGain = 1.0;
  double mCoefficient = 1.0;  // one-pole smoothing factor, 1 = no filtering
  double mState[2] = {0.0, 0.0};
};

#endif  // TESTS_GAIN_FILTER_PLUG_H_
