// The VST 2 binding, driven only through the AEffect the entry point returns, with a
// small plug-in whose hooks record what the binding asks of them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <regex>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "IPlugVST.h"
#include "Log.h"
#include "mutex_probe.h"
#include "vst_test_host.h"

namespace {

#ifdef TRACER_BUILD
// Each test process writes a trace file of its own: ctest runs them side by side, and
// their records would interleave in a shared one. Removed when the process ends.
char gTracePath[512];
const bool gTraceFileSet = [] {
  const char* dir = getenv("TMPDIR");
  snprintf(gTracePath, sizeof(gTracePath), "%s/toneglass-trace-vst-%d.txt", dir && dir[0] ? dir : "/tmp",
           static_cast<int>(getpid()));
  setenv("TONEGLASS_TRACE_FILE", gTracePath, 1);
  atexit([] { remove(gTracePath); });
  return true;
}();
#endif

// How the next TestPlug is built (VSTPluginMain passes only the host callback).
struct PlugConfig {
  const char* channelIO = "2-2";
  int nPresets = 1;
  int latency = 0;
  bool midi = false;
  bool chunks = false;
  bool instrument = false;
  const char* effectName = "TestPlug";
};
PlugConfig gConfig;

class TestPlug : public IPlugVST {
 public:
  enum { kGain, kMode, kInvert, kNumParams };

  explicit TestPlug(IPlugInstanceInfo info)
      : IPlugVST(info, kNumParams, kNumParams, gConfig.channelIO, gConfig.nPresets, gConfig.effectName,
                 "TestProduct", "TestMaker", 0x00010203, 0x54737450, 0x54734d6b, gConfig.latency,
                 gConfig.midi, gConfig.chunks, gConfig.instrument, 0) {
    GetParam(kGain)->InitDouble("Gain", 0.0, -60.0, 6.0, 0.1, "dB");
    GetParam(kMode)->InitEnum("Mode", 0, 3);
    GetParam(kMode)->SetDisplayText(0, "Off");
    GetParam(kMode)->SetDisplayText(1, "Half");
    GetParam(kMode)->SetDisplayText(2, "Full");
    GetParam(kGain)->SetDisplayText(-60, "-inf");
    GetParam(kInvert)->InitBool("Invert", false);
    if (gConfig.nPresets > 0) MakeDefaultPreset("-", 1);
  }

  void Reset() override {
    ++mResets;
    mBlockSizeAtReset = GetBlockSize();
  }
  void OnParamChange(int idx) override { mChanges.push_back(idx); }
  void ProcessDoubleReplacing(double** in, double** out, int nFrames) override {
    ++mProcessCalls;
    mFramesProcessed += nFrames;
    const double gain = GetParam(kGain)->DBToAmp() * (GetParam(kInvert)->Bool() ? -1.0 : 1.0);
    for (int c = 0; c < NOutChannels(); ++c)
      for (int s = 0; s < nFrames; ++s) out[c][s] = (c < NInChannels() ? in[c][s] : 0.0) * gain;
  }
  void ProcessMidiMsg(IMidiMsg* msg) override { mMidi.push_back(*msg); }
  void ProcessSysEx(ISysEx* sysEx) override { mSysEx.push_back(*sysEx); }
  bool MidiNoteName(int note, char* name) override {
    if (note != 60) return IPlugVST::MidiNoteName(note, name);
    // Longer than the interface's 64-byte key name, to check the cut.
    memset(name, 'k', 100);
    name[100] = 0;
    return true;
  }
  double IGetGainReductionValueInDb() override { return 3.5; }
  WDL_Mutex* Mutex() { return &mMutex; }

  int mResets = 0;
  int mBlockSizeAtReset = 0;
  int mProcessCalls = 0;
  long mFramesProcessed = 0;
  std::vector<int> mChanges;
  std::vector<IMidiMsg> mMidi;
  std::vector<ISysEx> mSysEx;
};

}  // namespace

#define PLUG_CLASS_NAME TestPlug
#define IPLUG_NO_MAIN_ALIAS
#include "IPlug_include_in_plug_src.h"

namespace {

using vsthost::Plugin;
using vsthost::StereoBuffers;

class VstBinding : public ::testing::Test {
 protected:
  void SetUp() override { gConfig = PlugConfig(); }
  void TearDown() override { gConfig = PlugConfig(); }
  static TestPlug* Plug(const Plugin& p) { return static_cast<TestPlug*>(p.Effect()->object); }
};

// ---- The AEffect record --------------------------------------------------------------

TEST_F(VstBinding, AEffectCarriesIdentityAndFlags) {
  Plugin p(VSTPluginMain);
  ASSERT_TRUE(p.Ok());
  AEffect* e = p.Effect();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numParams, 3);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsCanDoubleReplacing);
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->uniqueID, 0x54737450);
  EXPECT_EQ(e->version, 1203);  // the vendor version 1.2.3 in decimal form
  EXPECT_EQ(e->resvd1, 0);
  EXPECT_EQ(e->realQualities, 0);
  EXPECT_EQ(Plug(p)->GetBlockSize(), 1024);
}

TEST_F(VstBinding, FlagsFollowChunksMonoAndInstrumentAndZeroPresetsShowOneProgram) {
  gConfig.chunks = true;
  gConfig.instrument = true;
  gConfig.channelIO = "1-1 2-2";
  gConfig.nPresets = 0;
  Plugin p(VSTPluginMain);
  EXPECT_EQ(p.Effect()->flags, effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks |
                                   effFlagsCanMono | effFlagsIsSynth);
  EXPECT_EQ(p.Dispatch(effGetPlugCategory), kPlugCategSynth);
  EXPECT_EQ(p.Effect()->numPrograms, 1);  // no presets still shows one program
}

// ---- Identity and texts --------------------------------------------------------------

TEST_F(VstBinding, LongNamesAreCutToTheInterfaceSizes) {
  const std::string longName(120, 'n');
  gConfig.effectName = longName.c_str();
  Plugin p(VSTPluginMain);
  EXPECT_EQ(p.Text(effGetEffectName), std::string(kVstMaxEffectNameLen - 1, 'n'));
  EXPECT_EQ(p.WrittenBytes(), kVstMaxEffectNameLen);

  MidiKeyName key{};
  key.thisKeyNumber = 60;
  EXPECT_EQ(p.Dispatch(effGetMidiKeyName, 0, 0, &key), 1);
  EXPECT_EQ(strlen(key.keyName), static_cast<size_t>(kVstMaxNameLen - 1));
  key.thisKeyNumber = 61;
  EXPECT_EQ(p.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_STREQ(key.keyName, "");
}

// ---- Parameters --------------------------------------------------------------------------

TEST_F(VstBinding, SetParameterReachesPlugButNotHost) {
  Plugin p(VSTPluginMain);
  Plug(p)->mChanges.clear();
  p.Effect()->setParameter(p.Effect(), TestPlug::kGain, 1.0f);
  EXPECT_DOUBLE_EQ(Plug(p)->GetParam(TestPlug::kGain)->Value(), 6.0);
  EXPECT_EQ(Plug(p)->mChanges, std::vector<int>{TestPlug::kGain});
  EXPECT_FLOAT_EQ(p.Effect()->getParameter(p.Effect(), TestPlug::kGain), 1.0f);
  EXPECT_EQ(p.Host().Count(audioMasterAutomate), 0);
}

// A parameter with fixed texts takes only those texts; the others take a number,
// clamped into the range.
TEST_F(VstBinding, String2Parameter) {
  Plugin p(VSTPluginMain);
  TestPlug* plug = Plug(p);
  auto set = [&](int idx, const char* text) {
    return p.Dispatch(effString2Parameter, idx, 0, const_cast<char*>(text));
  };
  plug->mChanges.clear();
  EXPECT_EQ(set(TestPlug::kGain, "-inf"), 1);
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->Value(), -60.0);
  EXPECT_EQ(plug->mChanges, std::vector<int>{TestPlug::kGain});
  // Continuous, but with a fixed text: a number is not one of its texts.
  for (const char* refused : {"-12.5", "0", "-60", " -inf", "loud", ""}) {
    plug->GetParam(TestPlug::kGain)->Set(-3.0);
    EXPECT_EQ(set(TestPlug::kGain, refused), 0) << refused;
    EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kGain)->Value(), -3.0) << refused;
  }
  EXPECT_EQ(set(TestPlug::kMode, "Full"), 1);
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kMode)->Value(), 2.0);
  EXPECT_EQ(set(TestPlug::kMode, "Loud"), 0);
  EXPECT_EQ(set(TestPlug::kMode, "1"), 0);
  EXPECT_DOUBLE_EQ(plug->GetParam(TestPlug::kMode)->Value(), 2.0);
  EXPECT_EQ(set(TestPlug::kInvert, "on"), 1);
  EXPECT_TRUE(plug->GetParam(TestPlug::kInvert)->Bool());

  EXPECT_EQ(p.Dispatch(effString2Parameter, TestPlug::kMode, 0, nullptr), 1);
  EXPECT_EQ(p.Dispatch(effString2Parameter, 3, 0, nullptr), 0);
  EXPECT_EQ(p.Dispatch(effString2Parameter, -1, 0, nullptr), 0);
  EXPECT_EQ(p.Host().Count(audioMasterAutomate), 0);
}

TEST_F(VstBinding, EditorChangesReachTheHostAsAutomation) {
  Plugin p(VSTPluginMain);
  TestPlug* plug = Plug(p);
  plug->BeginInformHostOfParamChange(2);
  plug->SetParameterFromGUI(TestPlug::kGain, 0.25);
  plug->EndInformHostOfParamChange(2);
  const auto& calls = p.Host().mCalls;
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls[0].index, 2);
  EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[1].index, TestPlug::kGain);
  EXPECT_FLOAT_EQ(calls[1].opt, 0.25f);
  EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
  plug->InformHostOfProgramChange();
  EXPECT_EQ(p.Host().Count(audioMasterUpdateDisplay), 1);
}

// ---- Capabilities and vendor requests --------------------------------------------------------

TEST_F(VstBinding, VendorSpecificRequests) {
  Plugin p(VSTPluginMain);
  EXPECT_EQ(p.Text(effVendorSpecific, 7, 1, 1.0f), "Full");
  EXPECT_EQ(p.LastTextAnswer(), 0xBEEF);
  EXPECT_EQ(p.Text(effVendorSpecific, 7, 3, 0.5f), "");  // parameter out of range
  EXPECT_EQ(p.LastTextAnswer(), 0xBEEF);
  EXPECT_EQ(p.WrittenBytes(), 0);
  EXPECT_EQ(p.Dispatch(effVendorSpecific, 8, TestPlug::kMode), 0xBEEF);
  EXPECT_EQ(p.Dispatch(effVendorSpecific, 8, TestPlug::kGain), 0);
  const VstInt32 preS = 0x50726553;
  const VstIntPtr grdb = 0x47526442;
  float reduction = -1.0f;
  EXPECT_EQ(p.Dispatch(effVendorSpecific, preS, grdb, &reduction), 1);
  EXPECT_EQ(reduction, 3.5f);
  p.Dispatch(effSetBypass, 0, 1);
  EXPECT_EQ(p.Dispatch(effVendorSpecific, preS, grdb, &reduction), 1);
  EXPECT_EQ(reduction, 0.0f);
  EXPECT_EQ(p.Dispatch(effVendorSpecific, preS, grdb, nullptr), 0);
  EXPECT_EQ(p.Dispatch(effVendorSpecific, 99, 0), 0);
}

// ---- Pins and speakers -------------------------------------------------------------------

TEST_F(VstBinding, PinLabelsAreCutToTheInterfaceSize) {
  Plugin p(VSTPluginMain);
  VstPinProperties pin;
  memset(&pin, 0x55, sizeof(pin));
  Plug(p)->SetInputLabel(1, std::string(100, 'L').c_str());
  EXPECT_EQ(p.Dispatch(effGetInputProperties, 1, 0, &pin), 1);
  EXPECT_EQ(strlen(pin.label), static_cast<size_t>(kVstMaxLabelLen - 1));
  EXPECT_EQ(pin.shortLabel[0], 0x55);  // left as the host gave it
  EXPECT_EQ(p.Dispatch(effGetInputProperties, 0, 0, nullptr), 0);
}

TEST_F(VstBinding, SpeakerArrangements) {
  Plugin p(VSTPluginMain);
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(p.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, kSpeakerArrStereo);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(VSTSpkrArrType(0), kSpeakerArrEmpty);
  EXPECT_EQ(VSTSpkrArrType(1), kSpeakerArrMono);
  EXPECT_EQ(VSTSpkrArrType(6), kSpeakerArrUserDefined);

  // A mono input: the second input channel reads silence and takes no host pointer.
  VstSpeakerArrangement mono{};
  mono.numChannels = 1;
  EXPECT_EQ(p.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), nullptr), 1);
  EXPECT_TRUE(Plug(p)->IsInChannelConnected(0));
  EXPECT_FALSE(Plug(p)->IsInChannelConnected(1));
  std::vector<double> left(64, 0.5), outL(64), outR(64, 9.0);
  double* ins[1] = {left.data()};
  double* outs[2] = {outL.data(), outR.data()};
  p.Effect()->processDoubleReplacing(p.Effect(), ins, outs, 64);
  EXPECT_EQ(outL[10], 0.5);
  EXPECT_EQ(outR[10], 0.0);

  // Counts outside 0..channels are cut, never used as channel indices.
  VstSpeakerArrangement odd{};
  odd.numChannels = -5;
  EXPECT_EQ(p.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&odd), &odd), 1);
  EXPECT_FALSE(Plug(p)->IsInChannelConnected(0));
  odd.numChannels = 40;
  EXPECT_EQ(p.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&odd), &odd), 1);
  EXPECT_TRUE(Plug(p)->IsInChannelConnected(1));
  EXPECT_TRUE(Plug(p)->IsOutChannelConnected(1));
}

// ---- Programs and chunks -----------------------------------------------------------------

TEST_F(VstBinding, ProgramNames) {
  gConfig.nPresets = 2;
  Plugin p(VSTPluginMain);
  EXPECT_EQ(p.Text(effGetProgramName), "-");
  EXPECT_EQ(p.Text(effGetProgramNameIndexed, 1), "Empty");  // filled by the entry point
  EXPECT_EQ(p.LastTextAnswer(), 1);
  EXPECT_EQ(p.Text(effGetProgramNameIndexed, 2), "");
  EXPECT_EQ(p.LastTextAnswer(), 0);
  EXPECT_EQ(p.Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);

  std::string longName(300, 'p');
  p.Dispatch(effSetProgramName, 0, 0, const_cast<char*>(longName.c_str()));
  EXPECT_EQ(p.Text(effGetProgramName), std::string(kVstMaxProgNameLen - 1, 'p'));
  EXPECT_EQ(p.WrittenBytes(), kVstMaxProgNameLen);

  p.Effect()->setParameter(p.Effect(), TestPlug::kGain, 1.0f);
  p.Dispatch(effSetProgram, 0, 1);
  EXPECT_EQ(p.Dispatch(effGetProgram), 1);
  p.Dispatch(effSetProgram, 0, 0);  // program 0 kept the value set before the switch
  EXPECT_DOUBLE_EQ(Plug(p)->GetParam(TestPlug::kGain)->Value(), 6.0);
  p.Dispatch(effSetProgram, 0, 5);  // no such program
  p.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(1) << 40);
  EXPECT_EQ(p.Dispatch(effGetProgram), 0);
}

TEST_F(VstBinding, ChunksRoundTripAndRejectBadInput) {
  Plugin p(VSTPluginMain);
  p.Effect()->setParameter(p.Effect(), TestPlug::kGain, 0.75f);
  const std::vector<unsigned char> program = p.GetChunk(1);
  ASSERT_EQ(program.size(), 8u + 3 * 8);
  EXPECT_EQ(memcmp(program.data(), "tffp", 4), 0);  // header magic, little-endian
  const std::vector<unsigned char> bank = p.GetChunk(0);
  ASSERT_EQ(bank.size(), 8u + 4 + 1 + 1 + 3 * 8);
  EXPECT_EQ(p.Dispatch(effGetChunk, 1), 0);  // null ptr

  Plugin q(VSTPluginMain);
  EXPECT_EQ(q.SetChunk(1, program), 1);
  EXPECT_EQ(q.GetChunk(1), program);
  Plugin r(VSTPluginMain);
  EXPECT_EQ(r.SetChunk(0, bank), 1);
  EXPECT_EQ(r.GetChunk(0), bank);
  EXPECT_EQ(r.GetChunk(1), program);

  // Bad input: nothing crashes, failures answer 0.
  const double before = Plug(q)->GetParam(TestPlug::kGain)->Value();
  EXPECT_EQ(q.Dispatch(effSetChunk, 1, 16, nullptr), 0);
  EXPECT_EQ(q.Dispatch(effSetChunk, 1, 0, const_cast<unsigned char*>(program.data())), 0);
  EXPECT_EQ(q.Dispatch(effSetChunk, 1, -8, const_cast<unsigned char*>(program.data())), 0);
  EXPECT_EQ(q.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(1) << 33,
                       const_cast<unsigned char*>(program.data())),
            0);
  EXPECT_EQ(q.SetChunk(1, std::vector<unsigned char>(program.begin(), program.begin() + 20)), 0);
  EXPECT_EQ(q.SetChunk(0, std::vector<unsigned char>(bank.begin(), bank.begin() + 20)), 0);
  EXPECT_DOUBLE_EQ(Plug(q)->GetParam(TestPlug::kGain)->Value(), before);
  // A host may hand back the very buffer it was lent.
  void* lent = nullptr;
  const VstIntPtr lentSize = q.Dispatch(effGetChunk, 1, 0, &lent);
  EXPECT_EQ(q.Dispatch(effSetChunk, 1, lentSize, lent), 1);
  EXPECT_EQ(q.Dispatch(effSetChunk, 1, lentSize + 1, lent), 0);  // more than it holds
  EXPECT_EQ(q.GetChunk(1), program);
  std::vector<unsigned char> longer = program;
  longer.resize(program.size() + 100, 0xAB);  // trailing bytes are not ours to read
  EXPECT_EQ(q.SetChunk(1, longer), 1);
}

// A bank chunk from before 1.0.0 of the framework header is one program's state; a
// program chunk is read as one whatever its header says.
TEST_F(VstBinding, ChunkHeaderVersionSelectsTheReader) {
  Plugin p(VSTPluginMain);
  p.Effect()->setParameter(p.Effect(), TestPlug::kGain, 0.5f);
  std::vector<unsigned char> program = p.GetChunk(1);
  ASSERT_EQ(program.size(), 8u + 3 * 8);
  const double expected = Plug(p)->GetParam(TestPlug::kGain)->Value();
  auto withVersion = [&program](int32_t version) {
    std::vector<unsigned char> bytes = program;
    memcpy(bytes.data() + 4, &version, 4);
    return bytes;
  };
  // Below 1.0.0 a "bank" is one program's state.
  Plugin q(VSTPluginMain);
  EXPECT_EQ(q.SetChunk(0, withVersion(0xFFFF)), 1);
  EXPECT_DOUBLE_EQ(Plug(q)->GetParam(TestPlug::kGain)->Value(), expected);
  // A program chunk is read as a program whatever its version.
  Plugin s(VSTPluginMain);
  EXPECT_EQ(s.SetChunk(1, withVersion(0x7FFF0000)), 1);
  EXPECT_DOUBLE_EQ(Plug(s)->GetParam(TestPlug::kGain)->Value(), expected);
}

// ---- Configuration and processing ------------------------------------------------------------

TEST_F(VstBinding, ConfigurationOpcodesEndInReset) {
  Plugin p(VSTPluginMain);
  TestPlug* plug = Plug(p);
  p.Dispatch(effOpen);
  EXPECT_EQ(plug->mChanges.size(), 3u);  // every parameter delivered once
  p.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  EXPECT_EQ(plug->GetSampleRate(), 48000.0);
  p.Dispatch(effSetBlockSize, 0, 256);
  EXPECT_EQ(plug->GetBlockSize(), 256);
  p.Dispatch(effMainsChanged, 0, 1);
  p.Dispatch(effMainsChanged, 0, 0);
  EXPECT_EQ(plug->mResets, 4);
  // Rates and sizes that would poison the plug-in are refused.
  p.Dispatch(effSetSampleRate, 0, 0, nullptr, NAN);
  p.Dispatch(effSetSampleRate, 0, 0, nullptr, INFINITY);
  p.Dispatch(effSetBlockSize, 0, 0);
  p.Dispatch(effSetBlockSize, 0, -64);
  EXPECT_EQ(plug->GetSampleRate(), 48000.0);
  EXPECT_EQ(plug->GetBlockSize(), 256);
  EXPECT_EQ(plug->mResets, 4);
  // A zero or negative rate is a rate the plug-in can live with (it analyses nothing),
  // so it is kept and ends in Reset like any other.
  p.Dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(plug->GetSampleRate(), 0.0);
  p.Dispatch(effSetSampleRate, 0, 0, nullptr, -44100.0f);
  EXPECT_EQ(plug->GetSampleRate(), -44100.0);
  EXPECT_EQ(plug->mResets, 6);
}

TEST_F(VstBinding, LongerBlockGrowsBlockSizeAndResetsFirst) {
  Plugin p(VSTPluginMain);
  TestPlug* plug = Plug(p);
  StereoBuffers<float> buf(2048);
  p.Effect()->processReplacing(p.Effect(), buf.inPtr, buf.outPtr, 2048);
  EXPECT_EQ(plug->mResets, 1);
  EXPECT_EQ(plug->mBlockSizeAtReset, 2048);
  EXPECT_EQ(plug->GetBlockSize(), 2048);
  p.Effect()->processReplacing(p.Effect(), buf.inPtr, buf.outPtr, 512);
  EXPECT_EQ(plug->GetBlockSize(), 2048);
  StereoBuffers<double> dbuf(4096);
  p.Effect()->processDoubleReplacing(p.Effect(), dbuf.inPtr, dbuf.outPtr, 4096);
  EXPECT_EQ(plug->mResets, 2);
  EXPECT_EQ(plug->GetBlockSize(), 4096);
  EXPECT_EQ(plug->mFramesProcessed, 2048 + 512 + 4096);
}

TEST_F(VstBinding, AccumulatingProcessAddsAndIgnoresBypass) {
  Plugin p(VSTPluginMain);
  p.Dispatch(effSetBypass, 0, 1);
  p.Effect()->setParameter(p.Effect(), TestPlug::kInvert, 1.0f);
  // Longer than the block size: the accumulating call never grows it, so the block
  // is run in pieces and every frame still arrives.
  StereoBuffers<float> buf(3000);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < 3000; ++s) {
      buf.in[c][s] = 0.25f;
      buf.out[c][s] = 1.0f;
    }
  p.Effect()->process(p.Effect(), buf.inPtr, buf.outPtr, 3000);
  EXPECT_EQ(Plug(p)->GetBlockSize(), 1024);
  EXPECT_EQ(Plug(p)->mFramesProcessed, 3000);
  for (int s : {0, 1023, 1024, 2999}) EXPECT_FLOAT_EQ(buf.out[1][s], 0.75f) << s;
}

namespace {
// The replacing callback of the sample type.
void Replace(AEffect* e, float** in, float** out, int n) { e->processReplacing(e, in, out, n); }
void Replace(AEffect* e, double** in, double** out, int n) { e->processDoubleReplacing(e, in, out, n); }

// Two blocks of 1..32 and 33..64 through a bypassed plug-in whose processing inverts,
// in separate or in the same buffers; the outputs must be the input, delayed.
template <class T>
void CheckBypassCarriesTheInput(const Plugin& p, int latency, bool inPlace) {
  AEffect* e = p.Effect();
  StereoBuffers<T> buf(32);
  T** outs = inPlace ? buf.inPtr : buf.outPtr;
  for (int block = 0; block < 2; ++block) {
    for (int s = 0; s < 32; ++s) buf.in[0][s] = buf.in[1][s] = static_cast<T>(block * 32 + s + 1);
    Replace(e, buf.inPtr, outs, 32);
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < 32; ++s) {
        const int frame = block * 32 + s;
        ASSERT_EQ(outs[c][s], static_cast<T>(frame < latency ? 0 : frame + 1 - latency))
            << "block " << block << " channel " << c << " frame " << s;
      }
  }
}
}  // namespace

TEST_F(VstBinding, BypassPassesInputThroughDelayedByTheLatency) {
  for (int latency : {0, 2, 5}) {
    for (bool inPlace : {false, true}) {
      for (bool dbl : {false, true}) {
        SCOPED_TRACE(testing::Message() << "latency " << latency << (inPlace ? ", in place" : ", separate")
                                        << (dbl ? ", double" : ", float"));
        gConfig.latency = latency;
        Plugin p(VSTPluginMain);
        EXPECT_EQ(p.Effect()->initialDelay, latency);
        p.Effect()->setParameter(p.Effect(), TestPlug::kInvert, 1.0f);
        EXPECT_EQ(p.Dispatch(effSetBypass, 0, 1), 1);
        if (dbl)
          CheckBypassCarriesTheInput<double>(p, latency, inPlace);
        else
          CheckBypassCarriesTheInput<float>(p, latency, inPlace);
        EXPECT_EQ(Plug(p)->mProcessCalls, latency ? 2 : 0);  // with latency it still sees each block
        p.Dispatch(effSetBypass, 0, 0);
        StereoBuffers<double> buf(32);
        for (int s = 0; s < 32; ++s) buf.in[0][s] = buf.in[1][s] = s + 1;
        p.Effect()->processDoubleReplacing(p.Effect(), buf.inPtr, buf.outPtr, 32);
        EXPECT_EQ(buf.out[1][10], -11.0);
      }
    }
  }
}

namespace {
constexpr double kStale = 7.5;  // what the host's output buffers held before the call

template <class T>
void FillForMissingChannelCase(StereoBuffers<T>& buf) {
  for (int c = 0; c < 2; ++c)
    for (size_t s = 0; s < buf.in[c].size(); ++s) {
      buf.in[c][s] = static_cast<T>(s + 1);
      buf.out[c][s] = static_cast<T>(kStale);
    }
}

// Every output channel that exists holds nothing but v.
template <class T>
::testing::AssertionResult OutputsHold(const StereoBuffers<T>& buf, double v) {
  for (int c = 0; c < 2; ++c)
    for (size_t s = 0; s < buf.out[c].size(); ++s)
      if (buf.out[c][s] != static_cast<T>(v))
        return ::testing::AssertionFailure() << "out[" << c << "][" << s << "] = " << buf.out[c][s];
  return ::testing::AssertionSuccess();
}

// A block with a missing channel is not processed; every output the host did hand over
// is silenced, whichever channel is missing (stale audio would otherwise repeat).
template <class T>
void CheckMissingChannelsSilenceTheOutputs(const Plugin& p, int frames) {
  AEffect* e = p.Effect();
  StereoBuffers<T> buf(frames);
  T* holeyIn[2] = {buf.inPtr[0], nullptr};
  T* holeyOut[2] = {buf.outPtr[0], nullptr};

  FillForMissingChannelCase(buf);
  Replace(e, nullptr, buf.outPtr, frames);
  EXPECT_TRUE(OutputsHold(buf, 0.0)) << "no input array";

  FillForMissingChannelCase(buf);
  Replace(e, holeyIn, buf.outPtr, frames);
  EXPECT_TRUE(OutputsHold(buf, 0.0)) << "one input missing";

  FillForMissingChannelCase(buf);
  Replace(e, buf.inPtr, holeyOut, frames);
  for (size_t s = 0; s < buf.out[0].size(); ++s) ASSERT_EQ(buf.out[0][s], T(0)) << "one output missing " << s;
  EXPECT_EQ(buf.out[1][0], static_cast<T>(kStale)) << "not handed over, so not written";
  for (size_t s = 0; s < buf.in[0].size(); ++s) ASSERT_EQ(buf.in[0][s], static_cast<T>(s + 1));

  // In place: the host's buffer of the channel that is there is input and output at once.
  FillForMissingChannelCase(buf);
  T* inPlaceIn[2] = {buf.outPtr[0], nullptr};
  Replace(e, inPlaceIn, buf.outPtr, frames);
  EXPECT_TRUE(OutputsHold(buf, 0.0)) << "in place, one input missing";

  FillForMissingChannelCase(buf);
  Replace(e, buf.inPtr, nullptr, frames);  // nothing to write to, nothing to crash on
  Replace(e, buf.inPtr, buf.outPtr, -frames);
  Replace(e, buf.inPtr, buf.outPtr, 0);
  EXPECT_TRUE(OutputsHold(buf, kStale)) << "no frames or no outputs: nothing written";

  // The accumulating callback adds the plug-in's output to the host's; silence adds nothing.
  FillForMissingChannelCase(buf);
  if constexpr (std::is_same_v<T, float>) {
    e->process(e, holeyIn, buf.outPtr, frames);
    e->process(e, nullptr, buf.outPtr, frames);
    e->process(e, buf.inPtr, holeyOut, frames);
    e->process(e, buf.inPtr, nullptr, frames);
    EXPECT_TRUE(OutputsHold(buf, kStale)) << "accumulating";
  }
}
}  // namespace

TEST_F(VstBinding, MissingChannelsSilenceEveryOutputThatExists) {
  for (bool bypassed : {false, true}) {
    for (int latency : {0, 3}) {
      gConfig.latency = latency;
      Plugin p(VSTPluginMain);
      p.Dispatch(effSetBypass, 0, bypassed ? 1 : 0);
      // Within the block size, and beyond it (the replacing callbacks grow it first).
      for (int frames : {16, 3000}) {
        SCOPED_TRACE(testing::Message() << "bypassed " << bypassed << ", latency " << latency << ", frames "
                                        << frames);
        CheckMissingChannelsSilenceTheOutputs<float>(p, frames);
        CheckMissingChannelsSilenceTheOutputs<double>(p, frames);
      }
      EXPECT_EQ(Plug(p)->mProcessCalls, 0);
    }
  }
}

// The host calls from several threads at once; every entry point waits for the
// instance mutex that another thread (the editor, another host thread) holds.
TEST_F(VstBinding, EveryCallbackWaitsForTheInstanceMutex) {
  Plugin p(VSTPluginMain);
  AEffect* e = p.Effect();
  WDL_Mutex* mutex = Plug(p)->Mutex();
  StereoBuffers<float> buf(64);
  StereoBuffers<double> dbl(64);
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { p.Dispatch(effGetProgram); })) << "dispatcher";
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { p.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f); }));
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { p.Dispatch(effIdle); })) << "idle";
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { e->process(e, buf.inPtr, buf.outPtr, 64); })) << "process";
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { e->processReplacing(e, buf.inPtr, buf.outPtr, 64); }));
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { e->processDoubleReplacing(e, dbl.inPtr, dbl.outPtr, 64); }));
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { e->setParameter(e, TestPlug::kGain, 0.5f); })) << "set";
  EXPECT_TRUE(CallWaitsForMutex(mutex, [&] { e->getParameter(e, TestPlug::kGain); })) << "get";
  EXPECT_EQ(Plug(p)->mProcessCalls, 3);  // the three processing calls ran in the end
  EXPECT_EQ(e->getParameter(e, TestPlug::kGain), 0.5f);
  EXPECT_TRUE(MutexIsFree(mutex));
}

TEST_F(VstBinding, LatencyChangeTellsTheHost) {
  Plugin p(VSTPluginMain);
  Plug(p)->SetLatency(64);
  EXPECT_EQ(p.Effect()->initialDelay, 64);
  EXPECT_EQ(p.Host().Count(audioMasterIOChanged), 1);
  Plug(p)->SetLatency(-3);
  EXPECT_EQ(p.Effect()->initialDelay, 0);
}

// ---- Events -----------------------------------------------------------------------------------

TEST_F(VstBinding, IncomingEventsReachAPlugInBuiltForMidi) {
  gConfig.midi = true;
  Plugin p(VSTPluginMain);
  for (const char* t : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent"})
    EXPECT_EQ(p.Dispatch(effCanDo, 0, 0, const_cast<char*>(t)), 1) << t;
  EXPECT_EQ(p.Dispatch(effCanDo, 0, 0, const_cast<char*>("offline")), 0);
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof(note);
  note.deltaFrames = 7;
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  const char dump[] = {static_cast<char>(0xF0), 1, 2, static_cast<char>(0xF7)};
  VstMidiSysexEvent sysex{};
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof(sysex);
  sysex.deltaFrames = 3;
  sysex.dumpBytes = 4;
  sysex.sysexDump = const_cast<char*>(dump);
  VstMidiSysexEvent lying = sysex;  // claims bytes it does not point at
  lying.sysexDump = nullptr;
  VstEvent other{};
  other.type = kVstTriggerType;

  struct {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[5];
  } events = {5, 0, {reinterpret_cast<VstEvent*>(&note), nullptr, reinterpret_cast<VstEvent*>(&sysex),
                     reinterpret_cast<VstEvent*>(&lying), &other}};
  EXPECT_EQ(p.Dispatch(effProcessEvents, 0, 0, &events), 1);
  TestPlug* plug = Plug(p);
  ASSERT_EQ(plug->mMidi.size(), 1u);
  EXPECT_EQ(plug->mMidi[0].mOffset, 7);
  EXPECT_EQ(plug->mMidi[0].mStatus, 0x90);
  EXPECT_EQ(plug->mMidi[0].mData1, 60);
  EXPECT_EQ(plug->mMidi[0].mData2, 100);
  ASSERT_EQ(plug->mSysEx.size(), 1u);
  EXPECT_EQ(plug->mSysEx[0].mSize, 4);
  EXPECT_EQ(plug->mSysEx[0].mOffset, 3);

  events.numEvents = -3;
  EXPECT_EQ(p.Dispatch(effProcessEvents, 0, 0, &events), 1);
  EXPECT_EQ(p.Dispatch(effProcessEvents), 0);
}

TEST_F(VstBinding, OutgoingEventsAndWantMidi) {
  gConfig.midi = true;
  Plugin p(VSTPluginMain);
  IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 100, 12);
  EXPECT_TRUE(Plug(p)->SendMidiMsg(&msg));
  ASSERT_EQ(p.Host().mSentEvents.size(), 1u);
  const auto& e = p.Host().mSentEvents[0];
  EXPECT_EQ(e.type, kVstMidiType);
  EXPECT_EQ(e.byteSize, 32);
  EXPECT_EQ(e.deltaFrames, 12);
  EXPECT_EQ(e.midiData[0], 0x90);
  EXPECT_EQ(e.midiData[1], 60);
  EXPECT_EQ(e.midiData[2], 100);
  EXPECT_EQ(e.midiData[3], 0);
  const uint8_t bytes[3] = {0xF0, 0x11, 0xF7};
  ISysEx sysEx(4, bytes, 3);
  EXPECT_TRUE(Plug(p)->SendSysEx(&sysEx));
  EXPECT_EQ(p.Host().mSentEvents[1].byteSize, 48);
  EXPECT_EQ(p.Host().mSentEvents[1].sysexDump, reinterpret_cast<const char*>(bytes));
  p.Host().mProcessEventsAnswer = 0;
  EXPECT_FALSE(Plug(p)->SendMidiMsg(&msg));

  StereoBuffers<float> buf(8);
  p.Effect()->processReplacing(p.Effect(), buf.inPtr, buf.outPtr, 8);
  p.Effect()->processReplacing(p.Effect(), buf.inPtr, buf.outPtr, 8);
  EXPECT_EQ(p.Host().Count(audioMasterWantMidi), 2);
}

// ---- Host queries -------------------------------------------------------------------------------

TEST_F(VstBinding, SamplePosTempoAndTimeSignature) {
  Plugin p(VSTPluginMain);
  TestPlug* plug = Plug(p);
  int num = 9, den = 9;
  EXPECT_EQ(plug->GetSamplePos(), 0.0);  // no transport from the host
  EXPECT_EQ(plug->GetTempo(), 0.0);
  plug->GetTimeSig(&num, &den);
  EXPECT_EQ(num, 0);
  EXPECT_EQ(den, 0);

  vsthost::TestHost& host = p.Host();
  host.mAnswerTime = true;
  for (auto [pos, expected] : {std::pair{10.5, 11.0}, {10.49, 10.0}, {-3.0, 0.0}, {5e9 + 0.5, 5e9 + 1.0}}) {
    host.mTimeInfo.samplePos = pos;
    EXPECT_EQ(plug->GetSamplePos(), expected) << pos;
  }
  host.mTimeInfo.flags = kVstTempoValid | kVstTimeSigValid;
  // A refused tempo reads 0, so zero itself cannot tell acceptance from refusal: the
  // bound is pinned from both sides instead (any tempo from zero up is taken).
  const double tiny = std::numeric_limits<double>::denorm_min();
  host.mTimeInfo.tempo = tiny;
  EXPECT_EQ(plug->GetTempo(), tiny);
  EXPECT_EQ(host.mLastTimeFilter, kVstTempoValid);
  for (double refused : {-tiny, -1.0, std::nan("")}) {
    host.mTimeInfo.tempo = refused;
    EXPECT_EQ(plug->GetTempo(), 0.0) << refused;
  }
  host.mTimeInfo.tempo = 133.0;
  EXPECT_EQ(plug->GetTempo(), 133.0);
  // Zero is a valid numerator or denominator here; a negative one refuses both.
  for (auto [n, d, wantN, wantD] : {std::tuple{0, 8, 0, 8}, {3, 0, 3, 0}, {7, 8, 7, 8}, {-1, 8, 0, 0}, {7, -8, 0, 0}}) {
    host.mTimeInfo.timeSigNumerator = n;
    host.mTimeInfo.timeSigDenominator = d;
    num = den = 99;
    plug->GetTimeSig(&num, &den);
    EXPECT_EQ(num, wantN) << n << "/" << d;
    EXPECT_EQ(den, wantD) << n << "/" << d;
  }
  host.mTimeInfo.timeSigNumerator = 7;
  host.mTimeInfo.timeSigDenominator = 8;
  host.mTimeInfo.flags = 0;
  EXPECT_EQ(plug->GetTempo(), 0.0);
}

TEST_F(VstBinding, GetTimeCopiesOnlyWhatTheHostVouchesFor) {
  Plugin p(VSTPluginMain);
  TestPlug* plug = Plug(p);
  vsthost::TestHost& host = p.Host();
  const ITimeInfo callerDefaults;
  ITimeInfo info;

  plug->GetTime(&info);  // no reply: untouched
  EXPECT_EQ(info.mTempo, callerDefaults.mTempo);

  host.mAnswerTime = true;
  host.mTimeInfo.samplePos = 4410.0;
  host.mTimeInfo.flags = kVstNanosValid | kVstTransportPlaying;
  plug->GetTime(&info);  // none of the five requested bits: untouched
  EXPECT_EQ(host.mLastTimeFilter, 0x3E00);
  EXPECT_EQ(info.mSamplePos, 0.0);
  EXPECT_FALSE(info.mTransportIsRunning);

  host.mTimeInfo.flags = kVstTempoValid | kVstTransportPlaying | kVstTransportCycleActive;
  host.mTimeInfo.tempo = 0.0;
  plug->GetTime(&info);
  EXPECT_EQ(info.mSamplePos, 4410.0);
  EXPECT_EQ(info.mTempo, 120.0);  // zero tempo refused
  EXPECT_TRUE(info.mTransportIsRunning);
  EXPECT_TRUE(info.mTransportLoopEnabled);

  VstTimeInfo& t = host.mTimeInfo;
  t.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
  t.ppqPos = 8.5;
  t.tempo = 90.0;
  t.barStartPos = 8.0;
  t.cycleStartPos = 4.0;
  t.cycleEndPos = -1.0;  // one bad end: neither cycle field is copied
  t.timeSigNumerator = 0;  // 0/x refused here
  t.timeSigDenominator = 8;
  plug->GetTime(&info);
  EXPECT_EQ(info.mPPQPos, 8.5);
  EXPECT_EQ(info.mTempo, 90.0);
  EXPECT_EQ(info.mLastBar, 8.0);
  EXPECT_EQ(info.mCycleStart, 0.0);
  EXPECT_EQ(info.mCycleEnd, 0.0);
  EXPECT_EQ(info.mNumerator, 4);
  EXPECT_EQ(info.mDenominator, 4);
  EXPECT_FALSE(info.mTransportIsRunning);
  t.cycleEndPos = 12.0;
  t.timeSigNumerator = 6;
  plug->GetTime(&info);
  EXPECT_EQ(info.mCycleStart, 4.0);
  EXPECT_EQ(info.mCycleEnd, 12.0);
  EXPECT_EQ(info.mNumerator, 6);
  EXPECT_EQ(info.mDenominator, 8);
  plug->GetTime(nullptr);
}

TEST_F(VstBinding, HostIdentificationAndOfflineQuery) {
  Plugin p(VSTPluginMain);
  p.Host().mProductString = "REAPER";
  p.Host().mVendorVersion = 61203;  // 6.12.3
  p.Dispatch(effOpen);
  EXPECT_EQ(Plug(p)->GetHost(), kHostReaper);
  EXPECT_EQ(Plug(p)->GetHostVersion(false), (6 << 16) | (12 << 8) | 3);
  const int asked = p.Host().Count(audioMasterGetProductString);
  Plug(p)->GetHost();
  EXPECT_EQ(p.Host().Count(audioMasterGetProductString), asked);  // asked once only
  EXPECT_FALSE(Plug(p)->IsRenderingOffline());
  p.Host().mProcessLevel = kVstProcessLevelOffline;
  EXPECT_TRUE(Plug(p)->IsRenderingOffline());
}

// ---- Editor opcodes without an editor, lifecycle ------------------------------------------------

TEST_F(VstBinding, EditorOpcodesWithoutEditorAnswerZero) {
  Plugin p(VSTPluginMain);
  ERect* rect = reinterpret_cast<ERect*>(0x1);
  EXPECT_EQ(p.Dispatch(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1));
  EXPECT_EQ(p.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x1234)), 0);
  EXPECT_EQ(p.Dispatch(effEditClose), 0);
  EXPECT_EQ(p.Dispatch(effEditIdle), 0);
  for (int op : {52, 71, 77, 70, 100, -1})
    EXPECT_EQ(p.Dispatch(op), 0) << op;
}

#ifdef TRACER_BUILD
// Every record the binding writes is one line, "sequence name:line text", named after the
// host-facing callback it comes from, with the text of its format.
TEST_F(VstBinding, TraceRecordsCarryTheCallbackTags) {
  const std::string path = TraceFilePath();
  TraceClose();
  FILE* f = fopen(path.c_str(), "a+");
  ASSERT_NE(f, nullptr);
  fseek(f, 0, SEEK_END);
  const long start = ftell(f);
  fclose(f);
  {
    gConfig.effectName = "Traced";
    Plugin p(VSTPluginMain);
    p.Dispatch(effCanDo, 0, 0, const_cast<char*>("bypass"));
    p.Dispatch(effGetVendorVersion, 3, 7);
    p.Effect()->setParameter(p.Effect(), TestPlug::kMode, 0.25f);
    p.Effect()->getParameter(p.Effect(), TestPlug::kMode);
    void* chunk = nullptr;
    p.Dispatch(effGetChunk, 1, 0, &chunk);
    StereoBuffers<float> buf(2048);
    p.Effect()->processReplacing(p.Effect(), buf.inPtr, buf.outPtr, 2048);
    StereoBuffers<double> dbl(4096);
    p.Effect()->processDoubleReplacing(p.Effect(), dbl.inPtr, dbl.outPtr, 4096);
  }
  TraceClose();
  f = fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  fseek(f, start, SEEK_SET);
  std::vector<std::string> lines;
  char line[512];
  while (fgets(line, sizeof(line), f)) lines.emplace_back(line);
  fclose(f);

  // Whole lines, numbered one after another.
  const std::regex layout(R"(^(\d+) ([A-Za-z0-9]+):(\d+) (.*)\n$)");
  std::vector<std::string> records;  // "name text", without sequence and line
  unsigned long previous = 0;
  for (const std::string& l : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l, m, layout)) << l;
    const unsigned long seq = std::stoul(m[1]);
    if (previous) {
      EXPECT_EQ(seq, previous + 1) << l;
    }
    previous = seq;
    records.push_back(m[2].str() + " " + m[4].str());
  }
  auto has = [&records](const std::string& record) {
    return std::find(records.begin(), records.end(), record) != records.end();
  };
  auto matches = [&records](const std::string& pattern) {
    const std::regex re(pattern);
    return std::any_of(records.begin(), records.end(), [&re](const std::string& r) { return std::regex_match(r, re); });
  };
  EXPECT_TRUE(has("IPlugVST Traced"));
  EXPECT_TRUE(matches(R"(IPlugBase Traced:\d{8} \d\d:\d\d [+-]\d{4})"));
  EXPECT_TRUE(has("VSTDispatcher VSTCanDo(bypass)"));
  EXPECT_TRUE(has("VSTDispatcher 49():3:7"));
  EXPECT_TRUE(has("VSTSetParameter 1:0.250000"));
  EXPECT_TRUE(has("VSTGetParameter 1"));
  EXPECT_TRUE(has("SerializeParams 1 Mode 1.000000"));
  EXPECT_TRUE(has("VSTProcessReplacing FrameSize > BlockSize 2048 > 1024"));
  EXPECT_TRUE(has("VSTProcessDoubleReplacing FrameSize > BlockSize 4096 > 2048"));
  if (HasFailure())
    for (const std::string& r : records) ADD_FAILURE() << "record: " << r;
}
#endif

TEST_F(VstBinding, CloseThenCreateAgain) {
  for (int round = 0; round < 3; ++round) {
    Plugin p(VSTPluginMain);
    ASSERT_TRUE(p.Ok());
    p.Start(44100.0f, 512);
    p.Close();
  }
  AEffect orphan{};
  EXPECT_EQ(IPlugVST::VSTDispatcher(&orphan, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(IPlugVST::VSTDispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(IPlugVST::VSTGetParameter(&orphan, 0), 0.0f);
}

}  // namespace
