// The plug-in base: channel configurations, connections and buffers in both
// precisions, processing and bypass with and without latency, the parameter roads
// from the editor, versions, labels and the editor hand-over.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "iplug_test_plug.h"

namespace {

// Two channels of nFrames samples each, channel c holding c * 1000 + frame + 1.
struct StereoBlock {
  explicit StereoBlock(int nFrames, int nChans = 2) : data(nChans, std::vector<double>(nFrames)) {
    for (int c = 0; c < nChans; ++c)
      for (int s = 0; s < nFrames; ++s) data[c][s] = c * 1000 + s + 1;
    for (auto& ch : data) ptrs.push_back(ch.data());
  }
  std::vector<std::vector<double>> data;
  std::vector<double*> ptrs;
};

struct Outputs {
  Outputs(int nChans, int nFrames, double fill = -7.0) : data(nChans, std::vector<double>(nFrames, fill)) {
    for (auto& ch : data) ptrs.push_back(ch.data());
  }
  std::vector<std::vector<double>> data;
  std::vector<double*> ptrs;
};

void ConnectAll(TestPlug& plug) {
  plug.SetInputChannelConnections(0, plug.NInChannels(), true);
  plug.SetOutputChannelConnections(0, plug.NOutChannels(), true);
}

}  // namespace

// ---- Channel configuration -----------------------------------------------------------------

TEST(IPlugBaseConfig, StereoConfigurationAndLegalIO) {
  TestPlug plug(0, "2-2");
  EXPECT_EQ(plug.NIOConfigs(), 1);
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_TRUE(plug.LegalIO(-1, 2));
  EXPECT_TRUE(plug.LegalIO(-1, -1));
  EXPECT_FALSE(plug.LegalIO(1, -1));
  EXPECT_FALSE(plug.LegalIO(2, 1));
}

TEST(IPlugBaseConfig, SeveralTokensTakeTheLargestCounts) {
  TestPlug plug(0, "1-1 2-2");
  ASSERT_EQ(plug.NIOConfigs(), 2);
  EXPECT_EQ(plug.GetIOConfig(0)->mNIn, 1);
  EXPECT_EQ(plug.GetIOConfig(1)->mNOut, 2);
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_TRUE(plug.LegalIO(1, -1));

  TestPlug wide(0, "1-2 4-8");
  EXPECT_EQ(wide.NInChannels(), 4);
  EXPECT_EQ(wide.NOutChannels(), 8);
  EXPECT_FALSE(wide.LegalIO(1, 8));
}

TEST(IPlugBaseConfig, UnreadableNumbersCountAsZeroAndNoTextGivesNoConfigurations) {
  TestPlug lone(0, "2");
  ASSERT_EQ(lone.NIOConfigs(), 1);
  EXPECT_EQ(lone.GetIOConfig(0)->mNIn, 2);
  EXPECT_EQ(lone.GetIOConfig(0)->mNOut, 0);
  EXPECT_EQ(lone.NOutChannels(), 0);

  TestPlug garbage(0, "x-y");
  ASSERT_EQ(garbage.NIOConfigs(), 1);
  EXPECT_EQ(garbage.NInChannels(), 0);
  EXPECT_TRUE(garbage.LegalIO(0, 0));

  // No text at all: no configurations, nothing legal.
  TestPlug none(0, nullptr);
  EXPECT_EQ(none.NIOConfigs(), 0);
  EXPECT_EQ(none.NInChannels(), 0);
  EXPECT_FALSE(none.LegalIO(-1, -1));
  // Processing with no channels at all must still be safe.
  none.SetBlockSize(16);
  none.ProcessBuffers(0.0, 16);
  none.PassThroughBuffers(0.0f, 16);
}

TEST(IPlugBaseConfig, ConstructionLeavesChannelsUnconnectedAndSlotsNamed) {
  TestPlug plug(3, "2-2", 3);
  EXPECT_FALSE(plug.IsInChannelConnected(0));
  EXPECT_FALSE(plug.IsOutChannelConnected(1));
  EXPECT_FALSE(plug.IsInChannelConnected(7));
  EXPECT_STREQ(plug.GetPresetName(0), "empty 0");
  EXPECT_STREQ(plug.GetPresetName(2), "empty 2");
  EXPECT_EQ(plug.GetParam(2)->Type(), kTypeNone);
  EXPECT_EQ(plug.GetParam(3), nullptr);
  EXPECT_EQ(plug.GetParam(-1), nullptr);
}

TEST(IPlugBaseConfig, OverlongNamesAreCutToTheirFields) {
  const std::string longName(500, 'n');
  struct Plug : IPlugBase {
    explicit Plug(const char* name)
        : IPlugBase(0, "2-2", 0, name, name, name, 0, 0, 0, 0, false, false, false, kAPIVST2) {}
    void BeginInformHostOfParamChange(int) override {}
    void InformHostOfParamChange(int, double) override {}
    void EndInformHostOfParamChange(int) override {}
    void InformHostOfProgramChange() override {}
    double GetSamplePos() override { return 0; }
    double GetTempo() override { return 0; }
    void GetTimeSig(int*, int*) override {}
    void GetTime(ITimeInfo*) override {}
    void ResizeGraphics(int, int, int) override {}
    bool SendMidiMsg(IMidiMsg*) override { return false; }
  };
  Plug plug(longName.c_str());
  EXPECT_EQ(strlen(plug.GetEffectName()), 127u);
  EXPECT_EQ(strlen(plug.GetProductName()), 127u);
  EXPECT_EQ(strlen(plug.GetMfrName()), 127u);
  Plug unnamed(nullptr);
  EXPECT_STREQ(unnamed.GetEffectName(), "");
}

// ---- Connections and buffers -------------------------------------------------------------------

TEST(IPlugBaseBuffers, UnconnectedInputReadsZerosAndTakesNoHostPointer) {
  TestPlug plug;
  plug.SetBlockSize(8);
  plug.SetInputChannelConnections(1, 1, true);  // only the right input
  plug.SetOutputChannelConnections(0, 2, true);
  StereoBlock host(8, 1);  // one pointer: consumed by the one connected channel
  Outputs out(2, 8);
  plug.AttachInputBuffers(0, 2, host.ptrs.data());
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.ProcessBuffers(0.0, 8);
  for (int s = 0; s < 8; ++s) {
    EXPECT_EQ(out.data[0][s], 0.0);
    EXPECT_EQ(out.data[1][s], host.data[0][s]);
  }
}

TEST(IPlugBaseBuffers, ConnectionRangesAreCutAtTheChannelCount) {
  TestPlug plug(0, "4-4");
  plug.SetInputChannelConnections(2, 100, true);
  EXPECT_FALSE(plug.IsInChannelConnected(1));
  EXPECT_TRUE(plug.IsInChannelConnected(2));
  EXPECT_TRUE(plug.IsInChannelConnected(3));
  plug.SetInputChannelConnections(-2, 3, true);  // covers channel 0 only
  EXPECT_TRUE(plug.IsInChannelConnected(0));
  EXPECT_FALSE(plug.IsInChannelConnected(1));
  plug.SetOutputChannelConnections(0x7ffffff0, 0x7ffffff0, true);  // no overflow, no effect
  EXPECT_FALSE(plug.IsOutChannelConnected(3));
}

TEST(IPlugBaseBuffers, LimitToStereoDisconnectsExtraInputsAndConnectsExtraOutputs) {
  TestPlug plug(0, "4-4");
  ConnectAll(plug);
  plug.SetOutputChannelConnections(0, 4, false);
  plug.LimitToStereoIO();
  EXPECT_TRUE(plug.IsInChannelConnected(1));
  EXPECT_FALSE(plug.IsInChannelConnected(2));
  EXPECT_FALSE(plug.IsInChannelConnected(3));
  EXPECT_FALSE(plug.IsOutChannelConnected(1));
  EXPECT_TRUE(plug.IsOutChannelConnected(2));
  EXPECT_TRUE(plug.IsOutChannelConnected(3));
}

TEST(IPlugBaseBuffers, BaseProcessingCopiesMatchingChannelsAndZeroesTheRest) {
  TestPlug plug(0, "2-4");
  ConnectAll(plug);
  StereoBlock in(16);
  Outputs out(4, 16);
  plug.AttachInputBuffers(0, 2, in.ptrs.data());
  plug.AttachOutputBuffers(0, 4, out.ptrs.data());
  plug.ProcessBuffers(0.0, 16);
  EXPECT_EQ(out.data[0], in.data[0]);
  EXPECT_EQ(out.data[1], in.data[1]);
  EXPECT_EQ(out.data[2], std::vector<double>(16, 0.0));
  EXPECT_EQ(out.data[3], std::vector<double>(16, 0.0));
}

TEST(IPlugBaseBuffers, SetBlockSizeKeepsScratchWhenUnchangedAndZeroesItOtherwise) {
  TestPlug plug;
  ConnectAll(plug);
  plug.SetBlockSize(4);
  std::vector<float> l = {1, 2, 3, 4}, r = {5, 6, 7, 8};
  float* in[2] = {l.data(), r.data()};
  plug.AttachInputBuffers(0, 2, in, 4);  // converted into the scratch buffers
  plug.SetInputChannelConnections(0, 2, false);  // now the plug-in reads the scratch itself

  Outputs out(2, 4);
  plug.SetBlockSize(4);
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.ProcessBuffers(0.0, 4);
  EXPECT_EQ(out.data[0], (std::vector<double>{1, 2, 3, 4}));

  plug.SetBlockSize(6);
  Outputs out6(2, 6);
  plug.AttachOutputBuffers(0, 2, out6.ptrs.data());
  plug.ProcessBuffers(0.0, 6);
  EXPECT_EQ(out6.data[0], std::vector<double>(6, 0.0));
  EXPECT_EQ(out6.data[1], std::vector<double>(6, 0.0));
}

TEST(IPlugBaseBuffers, SlotsFollowScratchBuffersThatMove) {
  TestPlug plug;
  plug.SetBlockSize(2);
  // Growing far beyond the first allocation moves the storage; an unconnected
  // channel's slot must follow it (ASan reports a use after free otherwise).
  plug.SetBlockSize(1 << 16);
  Outputs out(2, 1 << 16);
  plug.SetOutputChannelConnections(0, 2, true);
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.ProcessBuffers(0.0, 1 << 16);
  EXPECT_EQ(out.data[1][(1 << 16) - 1], 0.0);
}

TEST(IPlugBaseBuffers, SinglePrecisionRoundTripAndAccumulation) {
  TestPlug plug;
  ConnectAll(plug);
  plug.SetBlockSize(8);
  std::vector<float> l(8), r(8), outL(8, 0.5f), outR(8, 0.5f);
  for (int s = 0; s < 8; ++s) {
    l[s] = 0.125f * s;
    r[s] = -0.25f * s;
  }
  float* in[2] = {l.data(), r.data()};
  float* out[2] = {outL.data(), outR.data()};

  plug.AttachInputBuffers(0, 2, in, 8);
  plug.AttachOutputBuffers(0, 2, out);
  plug.ProcessBuffers(0.0f, 8);
  EXPECT_EQ(outL, l);
  EXPECT_EQ(outR, r);

  plug.AttachInputBuffers(0, 2, in, 8);
  plug.AttachOutputBuffers(0, 2, out);
  plug.ProcessBuffersAccumulating(0.0f, 8);
  for (int s = 0; s < 8; ++s) {
    EXPECT_FLOAT_EQ(outL[s], 2 * l[s]);
    EXPECT_FLOAT_EQ(outR[s], 2 * r[s]);
  }
}

TEST(IPlugBaseBuffers, SinglePrecisionBlocksLongerThanTheBlockSizeNeverOverrun) {
  TestPlug plug;
  ConnectAll(plug);
  plug.SetBlockSize(4);
  std::vector<float> l(64, 1.0f), r(64, 1.0f), outL(64, -1.0f), outR(64, -1.0f);
  float* in[2] = {l.data(), r.data()};
  float* out[2] = {outL.data(), outR.data()};
  plug.AttachInputBuffers(0, 2, in, 64);
  plug.AttachOutputBuffers(0, 2, out);
  plug.ProcessBuffers(0.0f, 64);
  EXPECT_EQ(plug.lastProcessFrames, 4);
  EXPECT_EQ(outL[3], 1.0f);
  EXPECT_EQ(outL[4], -1.0f);  // beyond the block size: untouched, not overrun
}

TEST(IPlugBaseBuffers, NullHostPointersAreSilenceNotACrash) {
  TestPlug plug;
  ConnectAll(plug);
  plug.SetBlockSize(8);
  double* noBuffers[2] = {nullptr, nullptr};
  Outputs out(2, 8);
  plug.AttachInputBuffers(0, 2, noBuffers);
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.ProcessBuffers(0.0, 8);
  EXPECT_EQ(out.data[0], std::vector<double>(8, 0.0));
  plug.AttachInputBuffers(0, 2, static_cast<double**>(nullptr));
  plug.AttachOutputBuffers(0, 2, noBuffers);
  plug.ProcessBuffers(0.0, 8);
}

TEST(IPlugBaseBuffers, BlockSizeZeroProcessesNothingThroughScratch) {
  TestPlug plug;
  plug.SetOutputChannelConnections(0, 2, true);
  Outputs out(2, 8);
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.ProcessBuffers(0.0, 8);  // inputs are unconnected and have no scratch yet
  EXPECT_EQ(plug.lastProcessFrames, 0);
}

// ---- Bypass ---------------------------------------------------------------------------------------

TEST(IPlugBaseBypass, WithLatencyTheOutputIsTheInputDelayedAndThePlugInStillRuns) {
  const int kLatency = 5, kBlock = 3, kBlocks = 6;
  TestPlug plug(0, "2-2", 0, kLatency);
  plug.scaleOutput = true;
  ConnectAll(plug);
  plug.MakeDelayLine();
  std::vector<double> all[2];
  for (int b = 0; b < kBlocks; ++b) {
    std::vector<double> l(kBlock), r(kBlock);
    for (int s = 0; s < kBlock; ++s) {
      l[s] = b * kBlock + s + 1;
      r[s] = -(b * kBlock + s + 1);
    }
    double* in[2] = {l.data(), r.data()};
    Outputs out(2, kBlock);
    plug.AttachInputBuffers(0, 2, in);
    plug.AttachOutputBuffers(0, 2, out.ptrs.data());
    plug.PassThroughBuffers(0.0, kBlock);
    for (int c = 0; c < 2; ++c) all[c].insert(all[c].end(), out.data[c].begin(), out.data[c].end());
  }
  EXPECT_EQ(plug.processCalls, kBlocks);
  for (int i = 0; i < kBlock * kBlocks; ++i) {
    const double expected = i < kLatency ? 0.0 : i - kLatency + 1;
    EXPECT_EQ(all[0][i], expected) << i;
    EXPECT_EQ(all[1][i], -expected) << i;
  }
}

// In place the host's buffers are input and output at once: what the delay line takes
// must be the input as it came, not what the plug-in wrote over it.
TEST(IPlugBaseBypass, WithLatencyInPlaceBuffersCarryTheInputDelayed) {
  const std::vector<double> first = {0, 0, 1, 2, 3, 4}, second = {5, 6, 7, 8, 9, 10};
  for (int blockSize : {6, 4}) {  // 4: a host block longer than the scratch buffers
    SCOPED_TRACE(blockSize);
    TestPlug plug(0, "2-2", 0, 2);
    plug.scaleOutput = true;  // the plug-in doubles
    ConnectAll(plug);
    plug.SetBlockSize(blockSize);
    plug.MakeDelayLine();
    std::vector<double> l = {1, 2, 3, 4, 5, 6}, r = {-1, -2, -3, -4, -5, -6};
    double* io[2] = {l.data(), r.data()};
    plug.AttachInputBuffers(0, 2, io);
    plug.AttachOutputBuffers(0, 2, io);
    plug.PassThroughBuffers(0.0, 6);
    EXPECT_EQ(l, first);
    for (int s = 0; s < 6; ++s) EXPECT_EQ(r[s], -first[s]) << s;
    EXPECT_GE(plug.processCalls, 1);  // the plug-in still saw the block
    l = {7, 8, 9, 10, 11, 12};
    plug.PassThroughBuffers(0.0, 6);
    EXPECT_EQ(l, second);
  }

  TestPlug plug(0, "2-2", 0, 2);
  plug.scaleOutput = true;
  ConnectAll(plug);
  plug.SetBlockSize(6);
  plug.MakeDelayLine();
  std::vector<float> l = {1, 2, 3, 4, 5, 6}, r = {1, 2, 3, 4, 5, 6};
  float* io[2] = {l.data(), r.data()};
  plug.AttachInputBuffers(0, 2, io, 6);
  plug.AttachOutputBuffers(0, 2, io);
  plug.PassThroughBuffers(0.0f, 6);
  EXPECT_EQ(l, (std::vector<float>{0, 0, 1, 2, 3, 4}));
  EXPECT_EQ(r, l);
  EXPECT_EQ(plug.processCalls, 1);
}

TEST(IPlugBaseBypass, WithLatencyAndNoInputsThePlugInStillRuns) {
  TestPlug plug(0, "0-2", 0, 3);
  plug.scaleOutput = true;
  ConnectAll(plug);
  plug.MakeDelayLine();
  ASSERT_EQ(plug.DelayLine()->GetDelay(), 3u);
  plug.SetBlockSize(4);
  Outputs out(2, 4);
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(plug.processCalls, 1);
  EXPECT_EQ(out.data[0], std::vector<double>(4, 0.0));
}

TEST(IPlugBaseBypass, ProcessingFeedsTheDelayLineSoBypassStartsFromRecentInput) {
  TestPlug plug(0, "2-2", 0, 2);
  ConnectAll(plug);
  plug.MakeDelayLine();
  StereoBlock in(4);
  Outputs out(2, 4);
  plug.AttachInputBuffers(0, 2, in.ptrs.data());
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.ProcessBuffers(0.0, 4);  // inputs 1..4 pass; the line holds 3 and 4
  plug.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out.data[0], (std::vector<double>{3, 4, 1, 2}));
}

TEST(IPlugBaseBypass, SetLatencyResizesAndClearsTheDelayLine) {
  TestPlug plug(0, "2-2", 0, 3);
  plug.MakeDelayLine();
  EXPECT_EQ(plug.DelayLine()->GetDelay(), 3u);
  plug.SetLatency(7);
  EXPECT_EQ(plug.GetLatency(), 7);
  EXPECT_EQ(plug.DelayLine()->GetDelay(), 7u);
  plug.SetLatency(-4);  // nonsense from a caller: no delay, no crash
  EXPECT_EQ(plug.DelayLine()->GetDelay(), 0u);
  ConnectAll(plug);
  StereoBlock in(4);
  Outputs out(2, 4);
  plug.AttachInputBuffers(0, 2, in.ptrs.data());
  plug.AttachOutputBuffers(0, 2, out.ptrs.data());
  plug.PassThroughBuffers(0.0, 4);
  EXPECT_EQ(out.data[0], in.data[0]);
}

TEST(IPlugBaseBypass, IdleAppliesARequestedLatency) {
  TestPlug plug(0, "2-2", 0, 2);
  plug.MakeDelayLine();
  plug.OnPlugIdle();
  EXPECT_EQ(plug.GetLatency(), 2);  // nothing requested: the constructor's latency stays
  plug.SetLatency(4);
  plug.OnPlugIdle();
  EXPECT_EQ(plug.GetLatency(), 4);  // a latency set directly is not undone by idle
  plug.RequestLatency(9);
  plug.OnPlugIdle();
  EXPECT_EQ(plug.GetLatency(), 9);
  EXPECT_EQ(plug.DelayLine()->GetDelay(), 9u);
}

// ---- Parameters from the editor ------------------------------------------------------------------

TEST(IPlugBaseParams, SetParameterFromGUISetsInformsAndNotifiesUnderTheMutex) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.checkMutexInInform = plug.checkMutexInParamChange = true;
  plug.SetParameterFromGUI(1, 1.0);
  EXPECT_EQ(plug.GetParam(1)->Value(), 22050.0);
  ASSERT_EQ(plug.hostInforms.size(), 1u);
  EXPECT_EQ(plug.hostInforms[0], std::make_pair(1, 1.0));
  EXPECT_EQ(plug.paramChanges, std::vector<int>{1});
  EXPECT_EQ(plug.mutexFreeInInform, std::vector<bool>{false});
  EXPECT_EQ(plug.mutexFreeInParamChange, std::vector<bool>{false});
  EXPECT_TRUE(MutexIsFree(plug.Mutex()));
}

TEST(IPlugBaseParams, SetParameterFromGUI1TakesPlainValuesAndSkipsOnParamChange) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.SetParameterFromGUI1(1, 22050.0, false);
  ASSERT_EQ(plug.hostInforms.size(), 1u);
  EXPECT_EQ(plug.hostInforms[0].second, 1.0);
  EXPECT_TRUE(plug.paramChanges.empty());
  plug.SetParameterFromGUI1(0, 0.5, true);
  EXPECT_NEAR(plug.GetParam(0)->Value(), -27.0, 1e-9);
  EXPECT_EQ(plug.hostInforms[1].second, 0.5);
}

TEST(IPlugBaseParams, IndicesOutsideTheListAreIgnored) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.SetParameterFromGUI(5, 0.5);
  plug.SetParameterFromGUI(-1, 0.5);
  plug.SetParameterFromGUI1(99, 0.5, false);
  EXPECT_TRUE(plug.hostInforms.empty());
  EXPECT_TRUE(plug.paramChanges.empty());
}

TEST(IPlugBaseParams, ResetAndDirtyVisitEveryParameterInOrder) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.OnParamReset();
  EXPECT_EQ(plug.paramChanges, (std::vector<int>{0, 1, 2, 3, 4}));
  plug.checkMutexInInform = true;
  plug.DirtyParameters();
  ASSERT_EQ(plug.hostInforms.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(plug.hostInforms[i].first, i);
    EXPECT_DOUBLE_EQ(plug.hostInforms[i].second, plug.GetParam(i)->GetNormalized());
    EXPECT_FALSE(plug.mutexFreeInInform[i]);
  }
}

// ---- Editor --------------------------------------------------------------------------------------

TEST(IPlugBaseEditor, AttachPushesNormalisedValuesUnderTheMutexThenPrepares) {
  bool destroyed = false;
  {
    TestPlug plug;
    plug.InitFiveParams();
    auto* gui = new RecordingGraphics(plug.Mutex(), &destroyed);
    plug.AttachGraphics(gui);
    EXPECT_EQ(plug.GetGUI(), gui);
    ASSERT_EQ(gui->pushes.size(), 5u);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(gui->pushes[i].paramIdx, i);
      EXPECT_TRUE(gui->pushes[i].normalized);
      EXPECT_DOUBLE_EQ(gui->pushes[i].value, plug.GetParam(i)->GetNormalized());
      EXPECT_FALSE(gui->mutexFreeDuringPush[i]);
    }
    EXPECT_EQ(gui->prepDraws, 1);

    plug.RedrawParamControls();
    ASSERT_EQ(gui->pushes.size(), 10u);
    EXPECT_FALSE(gui->pushes[6].normalized);
    EXPECT_EQ(gui->pushes[6].value, 1000.0);
    EXPECT_TRUE(gui->mutexFreeDuringPush[6]);
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);  // the base owns the editor
}

TEST(IPlugBaseEditor, ASecondEditorReplacesAndFreesTheFirst) {
  bool firstDestroyed = false, secondDestroyed = false;
  {
    TestPlug plug;
    plug.AttachGraphics(new RecordingGraphics(plug.Mutex(), &firstDestroyed));
    plug.AttachGraphics(new RecordingGraphics(plug.Mutex(), &secondDestroyed));
    EXPECT_TRUE(firstDestroyed);
    EXPECT_FALSE(secondDestroyed);
  }
  EXPECT_TRUE(secondDestroyed);
}

// ---- Identity, versions and host ------------------------------------------------------------------

TEST(IPlugBaseIdentity, VersionEncodingOfThePlugInAndTheHost) {
  TestPlug plug;
  char text[MAX_VERSION_STR_LEN];
  plug.GetEffectVersionStr(text);
  EXPECT_STREQ(text, "v1.0.3");
  EXPECT_EQ(plug.GetEffectVersion(true), 1003);
  EXPECT_EQ(plug.GetEffectVersion(false), 65539);

  int major, minor, patch;
  GetVersionParts(0x0A0B0C, &major, &minor, &patch);
  EXPECT_EQ(major, 10);
  EXPECT_EQ(minor, 11);
  EXPECT_EQ(patch, 12);
  EXPECT_EQ(GetDecimalVersion(0x0A0B0C), 10000 + 1100 + 12);
  GetVersionStr(-1, text);  // the widest text there is still fits
  EXPECT_STREQ(text, "v65535.255.255");
  GetVersionStr(0, nullptr);
  // The host's version is packed the same way; an unnamed host is unknown.
  plug.SetHost("REAPER64", (5 << 16) | (1 << 8) | 2);
  EXPECT_EQ(plug.GetHostVersion(true), 5102);
  plug.SetHost(nullptr, 0);
  EXPECT_EQ(plug.GetHost(), kHostUnknown);
}

TEST(IPlugBaseIdentity, APIAndArchitectureTexts) {
  TestPlug plug;
  EXPECT_STREQ(plug.GetAPIString(), "VST2");
  EXPECT_STREQ(plug.GetArchString(), "x64");
  struct ApiPlug : TestPlug {
    EAPI GetAPI() override { return static_cast<EAPI>(6); }  // past the last interface
  } other;
  EXPECT_STREQ(other.GetAPIString(), "");
}

TEST(IPlugBaseIdentity, SamplesPerBeat) {
  TestPlug plug;
  EXPECT_DOUBLE_EQ(plug.GetSamplesPerBeat(), 22050.0);
  plug.SetSampleRate(48000.0);
  plug.tempo = 90.0;
  EXPECT_DOUBLE_EQ(plug.GetSamplesPerBeat(), 32000.0);
  plug.tempo = 0.0;
  EXPECT_EQ(plug.GetSamplesPerBeat(), 0.0);
  plug.tempo = -120.0;
  EXPECT_EQ(plug.GetSamplesPerBeat(), 0.0);
}

// ---- Labels, MIDI and defaults ----------------------------------------------------------------------

TEST(IPlugBaseLabels, ChannelLabelsIgnoreIndicesOutsideTheList) {
  TestPlug plug;
  plug.SetInputLabel(1, "Right in");
  plug.SetOutputLabel(0, "Left out");
  plug.SetInputLabel(2, "nowhere");
  plug.SetOutputLabel(-1, "nowhere");
  EXPECT_STREQ(plug.GetInputLabel(1), "Right in");
  EXPECT_STREQ(plug.GetOutputLabel(0), "Left out");
  EXPECT_STREQ(plug.GetInputLabel(0), "");
  EXPECT_STREQ(plug.GetInputLabel(2), "");
}

TEST(IPlugBaseLabels, BusLabelsReplaceAtAnIndexCutToTheListLength) {
  TestPlug plug;
  plug.SetInputBusLabel(2, "refused");
  plug.SetInputBusLabel(-1, "refused");
  EXPECT_EQ(plug.GetInputBusLabel(0), nullptr);
  plug.SetInputBusLabel(1, "side");  // inserted at the end, which is index 0
  ASSERT_NE(plug.GetInputBusLabel(0), nullptr);
  EXPECT_STREQ(plug.GetInputBusLabel(0)->Get(), "side");
  plug.SetInputBusLabel(0, "main");
  EXPECT_STREQ(plug.GetInputBusLabel(0)->Get(), "main");
  EXPECT_EQ(plug.GetInputBusLabel(1), nullptr);

  plug.SetOutputBusLabel(5, "a");
  plug.SetOutputBusLabel(1, "b");
  EXPECT_STREQ(plug.GetOutputBusLabel(0)->Get(), "a");
  EXPECT_STREQ(plug.GetOutputBusLabel(1)->Get(), "b");
}

TEST(IPlugBaseMidi, MessagesPassOnAndSendAllReportsAnyFailure) {
  TestPlug plug;
  IMidiMsg msg(0, 0x90, 60, 100);
  plug.ProcessMidiMsg(&msg);
  EXPECT_EQ(plug.sentMidi, std::vector<int>{0x90});

  WDL_TypedBuf<IMidiMsg> msgs;
  msgs.Add(IMidiMsg(0, 0x80));
  msgs.Add(IMidiMsg(1, 0xB0));
  msgs.Add(IMidiMsg(2, 0x90));
  EXPECT_TRUE(plug.SendMidiMsgs(&msgs));
  plug.failMidiStatus = 0xB0;
  EXPECT_FALSE(plug.SendMidiMsgs(&msgs));
  EXPECT_EQ(plug.sentMidi.size(), 7u);  // a failure does not stop the others

  char name[8] = "x";
  EXPECT_FALSE(plug.MidiNoteName(60, name));
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(plug.MidiNoteName(60, nullptr));
}

TEST(IPlugBaseMidi, DefaultHooksTakeTheRecursiveMutex) {
  TestPlug plug;
  // Each hook waits while another thread holds the mutex...
  EXPECT_TRUE(CallWaitsForMutex(plug.Mutex(), [&] { plug.IPlugBase::Reset(); }));
  EXPECT_TRUE(CallWaitsForMutex(plug.Mutex(), [&] { plug.IPlugBase::OnActivate(true); }));
  EXPECT_TRUE(CallWaitsForMutex(plug.Mutex(), [&] { plug.IPlugBase::OnParamChange(0); }));
  // ...runs on the thread that holds it already (the mutex is recursive), and gives back
  // exactly what it took: still held by the caller, free once the caller lets go.
  {
    WDL_MutexLock outer(plug.Mutex());
    plug.IPlugBase::Reset();
    plug.IPlugBase::OnActivate(true);
    plug.IPlugBase::OnParamChange(0);
    EXPECT_FALSE(MutexIsFree(plug.Mutex()));
  }
  EXPECT_TRUE(MutexIsFree(plug.Mutex()));
}
