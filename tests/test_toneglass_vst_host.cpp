// The built Toneglass.so as a host sees it: loaded with dlopen and driven only
// through its entry points and the AEffect they return.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host_process_counts.h"
#include "vst_test_host.h"

#ifndef TONEGLASS_VST_PATH
#error "TONEGLASS_VST_PATH must name the built Toneglass.so"
#endif

namespace {

using vsthost::Library;
using vsthost::Plugin;
using vsthost::StereoBuffers;

enum { kThreshold, kSelectionStart, kSelectionSize, kDry, kWet, kNumParams };

class ToneglassVst : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sLib = new Library(TONEGLASS_VST_PATH); }
  static void TearDownTestSuite() {
    delete sLib;
    sLib = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(sLib->Ok()) << sLib->Error(); }

  static std::unique_ptr<Plugin> Make(float sampleRate = 44100.0f, int blockSize = 512) {
    auto p = std::make_unique<Plugin>(sLib->Main());
    if (p->Ok()) p->Start(sampleRate, blockSize);
    return p;
  }
  // Sets a parameter from its text, as a host's generic editor does; the plug-in's answer.
  static VstIntPtr SetText(Plugin& p, int idx, const char* text) {
    return p.Dispatch(effString2Parameter, idx, 0, const_cast<char*>(text));
  }
  // Sets a parameter from a normalised value, as host automation does.
  static void SetNormalized(Plugin& p, int idx, float value) {
    p.Effect()->setParameter(p.Effect(), idx, value);
  }

  static Library* sLib;
};
Library* ToneglassVst::sLib = nullptr;

// ---- Identity ----------------------------------------------------------------------------------

TEST_F(ToneglassVst, ExportsBothEntryPointsAndIdentity) {
  ASSERT_NE(sLib->LegacyMain(), nullptr);
  Plugin legacy(sLib->LegacyMain());
  ASSERT_TRUE(legacy.Ok());

  Plugin p(sLib->Main());
  ASSERT_TRUE(p.Ok());
  const AEffect* e = p.Effect();
  EXPECT_EQ(e->numParams, 5);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x1011);  // editor + replacing + double replacing
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->uniqueID, 0x564E3032);
  EXPECT_EQ(e->version, 1003);  // vendor version 1.0.3, decimal form
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(p.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(p.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(p.Dispatch(effGetVendorVersion), 1003);
  EXPECT_EQ(p.Dispatch(effGetPlugCategory), kPlugCategEffect);
  EXPECT_EQ(p.Text(effGetEffectName), "Toneglass");
  EXPECT_EQ(p.Text(effGetVendorString), "Vantor");
  EXPECT_EQ(p.Text(effGetProductString), "");
  EXPECT_EQ(p.LastTextAnswer(), 1);
  EXPECT_EQ(p.Text(effGetProgramName), "-");
  EXPECT_EQ(p.Dispatch(effGetProgram), 0);
}

TEST_F(ToneglassVst, ExportsNothingButTheEntryPoints) {
  FILE* nm = popen("nm -D --defined-only '" TONEGLASS_VST_PATH "' 2>/dev/null", "r");
  ASSERT_NE(nm, nullptr);
  std::vector<std::string> names;
  char line[512];
  while (fgets(line, sizeof(line), nm)) {
    std::string text(line);
    const size_t lastSpace = text.find_last_of(' ');
    names.push_back(text.substr(lastSpace + 1, text.find_last_not_of("\r\n") - lastSpace));
  }
  if (pclose(nm) != 0 && names.empty()) GTEST_SKIP() << "nm is not available";
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"VSTPluginMain", "main"}));
}

TEST_F(ToneglassVst, EditorIs700By400) {
  auto p = Make();
  ERect* rect = nullptr;
  ASSERT_EQ(p->Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 400);
  EXPECT_EQ(rect->right, 700);
  EXPECT_EQ(p->Dispatch(effEditGetRect, 0, 0, nullptr), 0);
  EXPECT_EQ(p->Dispatch(effEditIdle), 0);
}

// ---- Parameters ------------------------------------------------------------------------------------

TEST_F(ToneglassVst, ParameterNamesLabelsAndDisplays) {
  auto p = Make();
  const char* names[] = {"Threshold", "Selection Start", "Selection Size", "Dry", "Wet"};
  const char* labels[] = {"dB", "Hz", "Hz", "dB", "dB"};
  const char* displays[] = {"0", "20", "50", "-6.0", "-6.0"};
  for (int i = 0; i < kNumParams; ++i) {
    EXPECT_EQ(p->Text(effGetParamName, i), names[i]);
    EXPECT_EQ(p->Text(effGetParamLabel, i), labels[i]);
    EXPECT_EQ(p->Text(effGetParamDisplay, i), displays[i]);
    EXPECT_LE(p->WrittenBytes(), 32);
    EXPECT_EQ(p->Dispatch(effCanBeAutomated, i), 1);
  }
  // Defaults as normalised values.
  EXPECT_FLOAT_EQ(p->Effect()->getParameter(p->Effect(), kThreshold), 60.0f / 66.0f);
  EXPECT_FLOAT_EQ(p->Effect()->getParameter(p->Effect(), kDry), 55.0f / 61.0f);

  for (int level : {kDry, kWet}) {
    p->Effect()->setParameter(p->Effect(), level, 0.0f);  // the bottom of the range: -61 dB
    EXPECT_EQ(p->Text(effGetParamDisplay, level), " -inf");
    EXPECT_EQ(p->Text(effGetParamLabel, level), "");
    SetNormalized(*p, level, 0.1f / 61.0f);  // -60.9 dB
    EXPECT_EQ(p->Text(effGetParamDisplay, level), "-60.9");
    EXPECT_EQ(p->Text(effGetParamLabel, level), "dB");
  }
  EXPECT_EQ(p->Host().Count(audioMasterAutomate), 0);  // host-side changes are not echoed
}

// Dry and Wet carry the fixed text " -inf", so they take only that text; the other
// three take numbers, clamped into their ranges.
TEST_F(ToneglassVst, String2Parameter) {
  auto p = Make();
  for (int level : {kDry, kWet}) {
    for (const char* refused : {"-12.5", "-61", "0", "-inf", "inf", "nan"}) {
      EXPECT_EQ(SetText(*p, level, refused), 0) << refused;
      EXPECT_EQ(p->Text(effGetParamDisplay, level), "-6.0") << refused;
    }
  }
  EXPECT_EQ(SetText(*p, kDry, " -inf"), 1);
  EXPECT_EQ(p->Text(effGetParamDisplay, kDry), " -inf");
  EXPECT_EQ(p->Effect()->getParameter(p->Effect(), kDry), 0.0f);

  EXPECT_EQ(SetText(*p, kSelectionStart, "1000"), 1);
  EXPECT_EQ(p->Text(effGetParamDisplay, kSelectionStart), "1000");
  EXPECT_EQ(SetText(*p, kSelectionStart, "99999"), 1);
  EXPECT_EQ(p->Text(effGetParamDisplay, kSelectionStart), "22050");  // clamped
  EXPECT_EQ(SetText(*p, kThreshold, "-200"), 1);
  EXPECT_EQ(p->Effect()->getParameter(p->Effect(), kThreshold), 0.0f);
  EXPECT_EQ(SetText(*p, kThreshold, "inf"), 1);  // an infinity is clamped like any number
  EXPECT_EQ(p->Effect()->getParameter(p->Effect(), kThreshold), 1.0f);
  EXPECT_EQ(SetText(*p, kThreshold, "nan"), 0);  // not a number: refused, nothing changes
  EXPECT_EQ(p->Effect()->getParameter(p->Effect(), kThreshold), 1.0f);
  EXPECT_EQ(SetText(*p, kSelectionSize, "2000 Hz"), 1);  // read as far as it is a number
  EXPECT_EQ(p->Text(effGetParamDisplay, kSelectionSize), "2000");

  EXPECT_EQ(p->Dispatch(effString2Parameter, kWet, 0, nullptr), 1);
  EXPECT_EQ(p->Dispatch(effString2Parameter, 5, 0, nullptr), 0);
  EXPECT_EQ(p->Dispatch(effString2Parameter, -1, 0, const_cast<char*>("1")), 0);
  EXPECT_EQ(p->Host().Count(audioMasterAutomate), 0);
}

// ---- Capabilities, pins ---------------------------------------------------------------------------

TEST_F(ToneglassVst, EveryCanDoAnswer) {
  auto p = Make();
  const std::pair<const char*, VstIntPtr> answers[] = {
      {"receiveVstTimeInfo", 1},
      {"supportsGainReductionInfo", 1},
      {"bypass", 1},
      {"hasCockosExtensions", static_cast<VstIntPtr>(0xBEEF0000u)},
      {"hasCockosViewAsConfig", static_cast<VstIntPtr>(0xBEEF0000u)},
      {"sendVstEvents", 0},
      {"sendVstMidiEvent", 0},
      {"receiveVstEvents", 0},
      {"receiveVstMidiEvent", 0},
      {"offline", 0},
      {"midiProgramNames", 0},
      {"", 0},
      {"Bypass", 0},
  };
  for (const auto& [text, answer] : answers)
    EXPECT_EQ(p->Dispatch(effCanDo, 0, 0, const_cast<char*>(text)), answer) << text;
  EXPECT_EQ(p->Dispatch(effCanDo), 0);
}

TEST_F(ToneglassVst, PinProperties) {
  auto p = Make();
  const VstInt32 flags[] = {kVstPinIsActive | kVstPinIsStereo, kVstPinIsActive};
  for (int i = 0; i < 2; ++i) {
    VstPinProperties pin{};
    EXPECT_EQ(p->Dispatch(effGetInputProperties, i, 0, &pin), 1);
    EXPECT_EQ(pin.flags, flags[i]);
    EXPECT_EQ(std::string(pin.label), "Input " + std::to_string(i + 1));
    EXPECT_EQ(p->Dispatch(effGetOutputProperties, i, 0, &pin), 1);
    EXPECT_EQ(std::string(pin.label), "Output " + std::to_string(i + 1));
  }
  VstPinProperties untouched;
  memset(&untouched, 0x33, sizeof(untouched));
  EXPECT_EQ(p->Dispatch(effGetInputProperties, 2, 0, &untouched), 0);
  EXPECT_EQ(p->Dispatch(effGetOutputProperties, -1, 0, &untouched), 0);
  EXPECT_EQ(untouched.flags, 0x33333333);
}

// ---- State -----------------------------------------------------------------------------------------

TEST_F(ToneglassVst, ProgramAndBankChunksRoundTripByteExact) {
  auto a = Make();
  SetText(*a, kThreshold, "-20");
  SetText(*a, kSelectionStart, "440");
  SetText(*a, kSelectionSize, "2000");
  SetText(*a, kDry, " -inf");
  SetNormalized(*a, kWet, 57.7f / 61.0f);  // -3.3 dB
  const std::vector<unsigned char> program = a->GetChunk(1);
  const std::vector<unsigned char> bank = a->GetChunk(0);
  ASSERT_EQ(program.size(), 8u + 5 * 8);
  ASSERT_EQ(bank.size(), 8u + 4 + 1 + 1 + 5 * 8);  // one slot named "-"
  EXPECT_EQ(memcmp(program.data(), "tffp", 4), 0);

  auto b = Make();
  EXPECT_EQ(b->SetChunk(1, program), 1);
  EXPECT_EQ(b->GetChunk(1), program);
  EXPECT_EQ(b->Text(effGetParamDisplay, kDry), " -inf");
  auto c = Make();
  EXPECT_EQ(c->SetChunk(0, bank), 1);
  EXPECT_EQ(c->GetChunk(0), bank);
  EXPECT_EQ(c->GetChunk(1), program);
}

TEST_F(ToneglassVst, BadChunksNeverCrash) {
  auto p = Make();
  const std::vector<unsigned char> good = p->GetChunk(1);
  std::vector<unsigned char> data = good;
  EXPECT_EQ(p->Dispatch(effSetChunk, 1, 48, nullptr), 0);
  EXPECT_EQ(p->Dispatch(effSetChunk, 0, 48, nullptr), 0);
  EXPECT_EQ(p->Dispatch(effSetChunk, 1, 0, data.data()), 0);
  EXPECT_EQ(p->Dispatch(effSetChunk, 1, -1, data.data()), 0);
  EXPECT_EQ(p->Dispatch(effSetChunk, 0, INT64_MIN, data.data()), 0);
  EXPECT_EQ(p->Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(1) << 40, data.data()), 0);
  EXPECT_EQ(p->SetChunk(1, std::vector<unsigned char>(good.begin(), good.begin() + 30)), 0);
  EXPECT_EQ(p->GetChunk(1), good);  // a cut-short state changes nothing
  data.resize(good.size() + 64, 0xEE);  // more bytes than the state needs
  EXPECT_EQ(p->SetChunk(1, data), 1);
  EXPECT_EQ(p->GetChunk(1), good);

  unsigned seed = 7;
  StereoBuffers<float> buf(256);
  for (int round = 0; round < 300; ++round) {
    std::vector<unsigned char> junk(1 + (round * 7) % 120);
    for (auto& byte : junk) byte = static_cast<unsigned char>((seed = seed * 1664525u + 1013904223u) >> 24);
    if (round % 4 == 0) memcpy(junk.data(), good.data(), std::min<size_t>(8, junk.size()));
    p->SetChunk(round % 2, junk);
    for (int i = 0; i < kNumParams; ++i) {
      const float v = p->Effect()->getParameter(p->Effect(), i);
      EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << round;
    }
    p->Effect()->processReplacing(p->Effect(), buf.inPtr, buf.outPtr, 256);
  }
  for (float v : buf.out[0]) ASSERT_TRUE(std::isfinite(v));
}

// ---- Audio -----------------------------------------------------------------------------------------

// Dry and Wet just below 0 dB, restored from a program chunk (the parameters take only
// their display texts as text) and from automation: the host shows "0.0", never "-0.0".
TEST_F(ToneglassVst, LevelsJustBelowZeroDisplayAsZero) {
  auto p = Make();
  for (int idx : {kDry, kWet}) {
    for (double v : {-0.0, -1e-9, -0.04, -0.0499, -0.06}) {
      std::vector<unsigned char> program = p->GetChunk(1);
      ASSERT_EQ(program.size(), 8u + 5 * 8);  // header, then the five values in order
      memcpy(program.data() + 8 + 8 * idx, &v, sizeof(v));
      ASSERT_EQ(p->SetChunk(1, program), 1);
      EXPECT_EQ(p->Text(effGetParamDisplay, idx), v == -0.06 ? "-0.1" : "0.0") << idx << " " << v;
    }
    SetNormalized(*p, idx, 0.9999999f);  // a few millionths of a decibel below zero
    EXPECT_EQ(p->Text(effGetParamDisplay, idx), "0.0");
    // The text for a value the host is about to set goes the same way.
    EXPECT_EQ(p->Text(effVendorSpecific, 7, idx, 0.9999999f), "0.0");
  }
}

TEST_F(ToneglassVst, BadBuffersAndIndicesAreIgnored) {
  auto p = Make();
  AEffect* e = p->Effect();
  // Missing channels: every output that exists is silenced (the accumulating call adds
  // nothing), and no frames means nothing written.
  StereoBuffers<float> buf(64);
  StereoBuffers<double> dbl(64);
  auto fill = [&](float in, float out) {
    for (int c = 0; c < 2; ++c) {
      std::fill(buf.in[c].begin(), buf.in[c].end(), in);
      std::fill(buf.out[c].begin(), buf.out[c].end(), out);
      std::fill(dbl.in[c].begin(), dbl.in[c].end(), in);
      std::fill(dbl.out[c].begin(), dbl.out[c].end(), out);
    }
  };
  auto holds = [&](float v) {
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < 64; ++s)
        if (buf.out[c][s] != v || dbl.out[c][s] != v) return false;
    return true;
  };
  float* holes[2] = {nullptr, nullptr};
  float* holeyIn[2] = {buf.inPtr[0], nullptr};
  double* holeyDbl[2] = {nullptr, dbl.inPtr[1]};
  double* inPlaceDbl[2] = {dbl.outPtr[0], nullptr};
  fill(0.5f, 7.5f);
  e->processReplacing(e, nullptr, nullptr, 64);
  e->processReplacing(e, buf.inPtr, buf.outPtr, -1);
  e->processDoubleReplacing(e, nullptr, nullptr, 64);
  e->process(e, buf.inPtr, holes, 64);
  e->process(e, holeyIn, buf.outPtr, 64);
  EXPECT_TRUE(holds(7.5f));
  e->processReplacing(e, holeyIn, buf.outPtr, 64);
  e->processDoubleReplacing(e, holeyDbl, dbl.outPtr, 64);
  EXPECT_TRUE(holds(0.0f));
  fill(0.5f, 7.5f);
  e->processReplacing(e, holes, buf.outPtr, 64);
  e->processDoubleReplacing(e, inPlaceDbl, dbl.outPtr, 64);
  EXPECT_TRUE(holds(0.0f));
  for (int idx : {-1, 5, 1 << 30}) {
    EXPECT_EQ(e->getParameter(e, idx), 0.0f);
    e->setParameter(e, idx, 0.5f);
    EXPECT_EQ(p->Text(effGetParamName, idx), "");
    EXPECT_EQ(p->WrittenBytes(), 0);
  }
  for (int op : {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName,
                 effGetProgramNameIndexed, effGetEffectName, effGetVendorString, effGetProductString,
                 effGetChunk, effProcessEvents, effGetInputProperties, effCanDo, effGetMidiKeyName})
    EXPECT_EQ(p->Dispatch(op, 0, 0, nullptr), 0) << op;
  EXPECT_EQ(p->Dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 1);
  EXPECT_EQ(p->Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);
}

// ---- Lifecycle -------------------------------------------------------------------------------------

TEST_F(ToneglassVst, CloseThenCreateAgainAndReloadLeavesNoThread) {
  const int threadsBefore = BaselineThreads();
  for (int round = 0; round < 3; ++round) {
    Library lib(TONEGLASS_VST_PATH);
    ASSERT_TRUE(lib.Ok()) << lib.Error();
    Plugin a(lib.Main());
    ASSERT_TRUE(a.Ok());
    a.Start(48000.0f, 256);
    a.Close();
    Plugin b(lib.Main());  // a new instance after effClose
    ASSERT_TRUE(b.Ok());
    b.Start(48000.0f, 256);
    StereoBuffers<float> buf(256);
    b.Effect()->processReplacing(b.Effect(), buf.inPtr, buf.outPtr, 256);
  }
  EXPECT_EQ(CountThreads(), threadsBefore);
}

}  // namespace
