// The LV2 binding over any plug-in base, with the framework's test plug-in: the port
// layout, the Turtle the writer produces as lilv reads it, and the run callback's
// handling of controls, latency, empty and oversized blocks.
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>

#include <string>
#include <vector>

#include "IPlugLV2.h"
#include "IPlugLV2Ttl.h"
#include "iplug_test_plug.h"
#include "lv2_test_host.h"
#include "temp_folder.h"

namespace {

constexpr const char* kURI = "urn:test:lv2-binding";

TestPlug* MakeFiveParamPlug(int latency, const char* io = "2-2") {
  TestPlug* p = new TestPlug(5, io, 1, latency);
  p->InitFiveParams();
  p->MakeDefaultPreset("Init");
  return p;
}

TEST(LV2Ports, FollowTheChannelsParametersAndLatencyOfThePlugIn) {
  std::unique_ptr<TestPlug> p(MakeFiveParamPlug(64));
  const IPlugLV2Ports ports = IPlugLV2Ports::For(p.get());
  EXPECT_EQ(ports.firstAudioIn, 0u);
  EXPECT_EQ(ports.firstAudioOut, 2u);
  EXPECT_EQ(ports.firstParam, 4u);
  EXPECT_EQ(ports.enabled, 9u);
  EXPECT_EQ(ports.latency, 10u);
  EXPECT_EQ(ports.display, IPlugLV2Ports::kNone);  // the test plug-in has no display data
  EXPECT_EQ(ports.count, 11u);
  EXPECT_EQ(ports.ParamOfPort(4), 0);
  EXPECT_EQ(ports.ParamOfPort(8), 4);
  EXPECT_EQ(ports.ParamOfPort(9), -1);
  EXPECT_EQ(ports.ParamOfPort(3), -1);

  std::unique_ptr<TestPlug> mono(MakeFiveParamPlug(0, "1-1"));
  const IPlugLV2Ports m = IPlugLV2Ports::For(mono.get());
  EXPECT_EQ(m.latency, IPlugLV2Ports::kNone);
  EXPECT_EQ(m.count, 1u + 1u + 5u + 1u);
  EXPECT_EQ(IPlugLV2Ports::For(nullptr).count, 0u);
}

TEST(LV2Symbols, AreLowerCaseIdentifiersThatNeverStartWithADigit) {
  EXPECT_EQ(IPlugLV2Symbol("Selection Start"), "selection_start");
  EXPECT_EQ(IPlugLV2Symbol("3 Band EQ"), "_3_band_eq");
  EXPECT_EQ(IPlugLV2Symbol("Gain (dB)"), "gain__db_");
  EXPECT_EQ(IPlugLV2Symbol("Gr\xc3\xb6\xc3\x9f" "e"), "gr____e");
  EXPECT_EQ(IPlugLV2Symbol(""), "_");
  EXPECT_EQ(IPlugLV2Symbol(nullptr), "_");
}

TEST(LV2Turtle, DescribesEveryPortAsLilvReadsIt) {
  // Two parameters of one name and a name that needs escaping.
  std::unique_ptr<TestPlug> p(new TestPlug(5, "2-2", 1, 64));
  p->GetParam(0)->InitDouble("Threshold", -20.0, -60.0, 6.0, 0.1, "dB");
  p->GetParam(1)->InitDouble("Start", 1000.0, 20.0, 22050.0, 1.0, "Hz");
  p->GetParam(2)->InitDouble("Threshold", 0.25, 0.0, 1.0, 0.01);
  p->GetParam(3)->InitEnum("Say \"hi\"\\now", 1, 3);
  p->GetParam(4)->InitBool("Switch", false);
  p->MakeDefaultPreset("Init");
  TempFolder folder;
  ASSERT_TRUE(IPlugLV2WriteBundleTtl(p.get(), kURI, folder.Path("").c_str(), "Test.so", nullptr));

  lv2host::World world({folder.Path("")});
  const LilvPlugin* plugin = world.Plugin(kURI);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(lilv_plugin_get_num_ports(plugin), 11u);
  EXPECT_TRUE(lilv_plugin_has_latency(plugin));
  EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin), 10u);
  EXPECT_EQ(lilv_plugin_get_uis(plugin) ? lilv_uis_size(lilv_plugin_get_uis(plugin)) : 0u, 0u);
  // No display port: no feature is required at all.
  LilvNodes* required = lilv_plugin_get_required_features(plugin);
  EXPECT_EQ(lilv_nodes_size(required), 0u);
  lilv_nodes_free(required);

  auto port = [&](uint32_t i) { return lilv_plugin_get_port_by_index(plugin, i); };
  auto symbol = [&](uint32_t i) { return std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, port(i)))); };
  EXPECT_EQ(symbol(4), "threshold");
  EXPECT_EQ(symbol(6), "threshold_2");
  EXPECT_EQ(symbol(7), "say__hi__now");
  LilvNode* name = lilv_port_get_name(plugin, port(7));
  EXPECT_STREQ(lilv_node_as_string(name), "Say \"hi\"\\now");
  lilv_node_free(name);
  EXPECT_TRUE(lilv_port_has_property(plugin, port(7), world.Uri(LV2_CORE__integer)));
  EXPECT_TRUE(lilv_port_has_property(plugin, port(7), world.Uri(LV2_CORE__enumeration)));
  EXPECT_TRUE(lilv_port_has_property(plugin, port(8), world.Uri(LV2_CORE__toggled)));
  // A parameter without a unit LV2 knows has none.
  EXPECT_EQ(lilv_nodes_size(lilv_port_get_value(plugin, port(6), world.Uri("http://lv2plug.in/ns/extensions/units#unit"))), 0u);
  float mins[11], maxs[11], defs[11];
  lilv_plugin_get_port_ranges_float(plugin, mins, maxs, defs);
  EXPECT_EQ(defs[4], -20.0f);
  EXPECT_EQ(mins[5], 20.0f);
  EXPECT_EQ(maxs[5], 22050.0f);
  EXPECT_EQ(defs[9], 1.0f);  // enabled
}

// ---- The run callback --------------------------------------------------------------------

class LV2Run : public ::testing::Test {
 protected:
  void SetUp() override {
    mPlug = MakeFiveParamPlug(64);
    mPlug->scaleOutput = true;
    mInstance = std::make_unique<IPlugLV2Instance>(mPlug, kURI, 48000.0, nullptr);
    const IPlugLV2Ports& ports = mInstance->Ports();
    for (uint32_t i = 0; i < 2; ++i) {
      mInstance->ConnectPort(ports.firstAudioIn + i, mIn[i].data());
      mInstance->ConnectPort(ports.firstAudioOut + i, mOut[i].data());
    }
    for (uint32_t i = 0; i < 5; ++i) {
      mControls[i] = static_cast<float>(mPlug->GetParam(static_cast<int>(i))->Value());
      mInstance->ConnectPort(ports.firstParam + i, &mControls[i]);
    }
    mInstance->ConnectPort(ports.enabled, &mEnabled);
    mInstance->ConnectPort(ports.latency, &mLatency);
    mInstance->ConnectPort(999, &mEnabled);  // no such port: ignored
    for (auto& ch : mIn) ch.assign(ch.size(), 0.5f);
  }

  TestPlug* mPlug = nullptr;  // owned by the instance
  std::unique_ptr<IPlugLV2Instance> mInstance;
  std::vector<float> mIn[2] = {std::vector<float>(10000), std::vector<float>(10000)};
  std::vector<float> mOut[2] = {std::vector<float>(10000), std::vector<float>(10000)};
  float mControls[5] = {};
  float mEnabled = 1.0f, mLatency = -1.0f;
};

TEST_F(LV2Run, InstantiationSetsTheRateAndTheDefaultBlockSize) {
  EXPECT_EQ(mPlug->GetSampleRate(), 48000.0);
  EXPECT_EQ(mPlug->GetBlockSize(), IPlugLV2Instance::kDefaultBlockSize);
  EXPECT_EQ(mPlug->paramChanges.size(), 5u);  // every parameter once, as VST 2's effOpen
}

TEST_F(LV2Run, OnlyChangedControlsReachOnParamChange) {
  mPlug->paramChanges.clear();
  mInstance->Run(16);
  EXPECT_TRUE(mPlug->paramChanges.empty());
  mControls[1] = 440.0f;
  mControls[3] = 99.0f;  // beyond the top: clamped
  mInstance->Run(16);
  EXPECT_EQ(mPlug->paramChanges, (std::vector<int>{1, 3}));
  EXPECT_EQ(mPlug->GetParam(1)->Value(), 440.0);
  EXPECT_EQ(mPlug->GetParam(3)->Value(), 10.0);
  mInstance->Run(16);
  EXPECT_EQ(mPlug->paramChanges.size(), 2u);
}

TEST_F(LV2Run, ReportsLatencyAndProcessesThroughTheBase) {
  mInstance->Run(100);
  EXPECT_EQ(mLatency, 64.0f);
  EXPECT_EQ(mPlug->processCalls, 1);
  EXPECT_EQ(mOut[0][99], 1.0f);  // the test plug-in doubles its input
}

TEST_F(LV2Run, AnEmptyBlockProcessesNothingButStillReadsControls) {
  mControls[0] = -30.0f;
  mInstance->Run(0);
  EXPECT_EQ(mPlug->processCalls, 0);
  EXPECT_EQ(mPlug->GetParam(0)->Value(), -30.0);
  EXPECT_EQ(mLatency, 64.0f);
}

TEST_F(LV2Run, ABlockLongerThanAnyBeforeGrowsTheBlockSizeAndResetsOnce) {
  const int resets = mPlug->resets;
  mInstance->Run(10000);
  EXPECT_EQ(mPlug->GetBlockSize(), 10000);
  EXPECT_EQ(mPlug->resets, resets + 1);
  EXPECT_EQ(mOut[1][9999], 1.0f);
  mInstance->Run(10000);
  EXPECT_EQ(mPlug->resets, resets + 1);
}

TEST_F(LV2Run, TheEnabledPortBypasses) {
  mEnabled = 0.0f;
  mInstance->Run(32);
  EXPECT_EQ(mOut[0][31], 0.5f);
  mEnabled = 1.0f;
  mInstance->Run(32);
  EXPECT_EQ(mOut[0][31], 1.0f);
}

}  // namespace
