// The built Toneglass.lv2 as LV2 hosts see it: found and described through lilv, run
// through its descriptor, and compared sample for sample with the VST 2 build.
#include <gtest/gtest.h>
#include <lv2/atom/util.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>
#include <lv2/units/units.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "lv2_test_host.h"
#include "vst_test_host.h"

#if !defined(TONEGLASS_LV2_BUNDLE) || !defined(TONEGLASS_VST_PATH)
#error "TONEGLASS_LV2_BUNDLE and TONEGLASS_VST_PATH must name the built bundle and Toneglass.so"
#endif

namespace {

constexpr const char* kURI = "urn:vantor:toneglass";
constexpr double kRate = 44100.0;
const char* const kParamSymbols[] = {"threshold", "selection_start", "selection_size", "dry", "wet"};

// Two seconds of stereo test signal: sine bursts that cross the threshold at several
// frequencies and levels, over quiet noise that differs between the channels.
struct Signal {
  std::vector<float> left, right;
};
Signal ReferenceSignal(int n) {
  Signal s;
  s.left.resize(n);
  s.right.resize(n);
  uint32_t seed = 12345;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.01;
    const int burst = i / 6000;
    const double freq = 300.0 + 850.0 * (burst % 7);
    const double level = (burst % 2) ? 0.6 : 0.05 * (burst % 5);
    const double tone = level * std::sin(2.0 * M_PI * freq * i / kRate);
    s.left[i] = static_cast<float>(tone + noise);
    s.right[i] = static_cast<float>(0.8 * tone - noise);
  }
  return s;
}

// One control change at a frame, applied to both builds before the block that starts there:
// the plain value to the LV2 port; to the VST 2 build the same value as a text (what a
// host's generic editor sends), or, for the levels, whose texts are fixed, as the
// normalised value whose plain value is exactly the port's.
struct Change {
  int frame;
  int param;
  float plain;
  float normalized = -1.0f;  // below 0: the VST 2 build gets the plain value as text
};

class ToneglassLV2 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sWorld = new lv2host::World({TONEGLASS_LV2_BUNDLE});
    sVst = new vsthost::Library(TONEGLASS_VST_PATH);
  }
  static void TearDownTestSuite() {
    delete sWorld;
    delete sVst;
  }
  void SetUp() override {
    mPlugin = sWorld->Plugin(kURI);
    ASSERT_NE(mPlugin, nullptr) << "no " << kURI << " in " << TONEGLASS_LV2_BUNDLE;
    ASSERT_TRUE(sVst->Ok()) << sVst->Error();
  }

  // The VST 2 build's float output for a sequence of block lengths (cycled until the
  // signal ends), with control changes set as texts, as a host's generic editor does.
  static Signal RenderVst(const Signal& in, const std::vector<int>& blocks, const std::vector<Change>& changes,
                          int hostBlockSize) {
    vsthost::Plugin p(sVst->Main());
    p.Start(static_cast<float>(kRate), hostBlockSize);
    Signal out{std::vector<float>(in.left.size()), std::vector<float>(in.left.size())};
    const int n = static_cast<int>(in.left.size());
    size_t next = 0;
    for (int done = 0, b = 0; done < n; ++b) {
      const int len = std::min(blocks[static_cast<size_t>(b) % blocks.size()], n - done);
      for (; next < changes.size() && changes[next].frame <= done; ++next) {
        const Change& c = changes[next];
        if (c.normalized >= 0.0f) {
          p.Effect()->setParameter(p.Effect(), c.param, c.normalized);
        } else {
          char text[32];
          snprintf(text, sizeof(text), "%.9g", static_cast<double>(c.plain));
          p.Dispatch(effString2Parameter, c.param, 0, text);
        }
      }
      float* ins[2] = {const_cast<float*>(in.left.data()) + done, const_cast<float*>(in.right.data()) + done};
      float* outs[2] = {out.left.data() + done, out.right.data() + done};
      p.Effect()->processReplacing(p.Effect(), ins, outs, len);
      done += len;
    }
    return out;
  }

  // The same through the LV2 binary, the control ports set to the same numbers; in place
  // when inPlace (the outputs connected to the input buffers).
  Signal RenderLv2(const Signal& in, const std::vector<int>& blocks, const std::vector<Change>& changes,
                   int announcedBlockSize, bool inPlace) {
    // The host announces announcedBlockSize as its maximum; the buffers take the longest block.
    int longest = 1;
    for (int b : blocks) longest = std::max(longest, b);
    lv2host::Instance lv2(*sWorld, mPlugin, kRate, announcedBlockSize);
    EXPECT_TRUE(lv2.Ok());
    if (!lv2.Ok()) return {};
    std::vector<float> bufs[4];
    for (auto& b : bufs) b.assign(static_cast<size_t>(longest), 0.0f);
    return RunBlocks(lv2, in, blocks, changes, inPlace, bufs);
  }
  static Signal RunBlocks(lv2host::Instance& lv2, const Signal& in, const std::vector<int>& blocks,
                          const std::vector<Change>& changes, bool inPlace, std::vector<float>* own = nullptr) {
    float* inL = own ? own[0].data() : lv2.In(0);
    float* inR = own ? own[1].data() : lv2.In(1);
    float* outL = inPlace ? inL : (own ? own[2].data() : lv2.Out(0));
    float* outR = inPlace ? inR : (own ? own[3].data() : lv2.Out(1));
    lilv_instance_connect_port(lv2.Get(), lv2.InPort(0), inL);
    lilv_instance_connect_port(lv2.Get(), lv2.InPort(1), inR);
    lilv_instance_connect_port(lv2.Get(), lv2.OutPort(0), outL);
    lilv_instance_connect_port(lv2.Get(), lv2.OutPort(1), outR);
    lv2.Activate();
    const int n = static_cast<int>(in.left.size());
    Signal out{std::vector<float>(static_cast<size_t>(n)), std::vector<float>(static_cast<size_t>(n))};
    size_t next = 0;
    for (int done = 0, b = 0; done < n; ++b) {
      const int len = std::min(blocks[static_cast<size_t>(b) % blocks.size()], n - done);
      for (; next < changes.size() && changes[next].frame <= done; ++next)
        lv2.Control(kParamSymbols[changes[next].param]) = changes[next].plain;
      memcpy(inL, in.left.data() + done, sizeof(float) * static_cast<size_t>(len));
      memcpy(inR, in.right.data() + done, sizeof(float) * static_cast<size_t>(len));
      lv2.Run(static_cast<uint32_t>(len));
      memcpy(out.left.data() + done, outL, sizeof(float) * static_cast<size_t>(len));
      memcpy(out.right.data() + done, outR, sizeof(float) * static_cast<size_t>(len));
      done += len;
    }
    return out;
  }

  // Index of the first sample where the two differ in any bit, or -1.
  static long FirstDifference(const Signal& a, const Signal& b) {
    if (a.left.size() != b.left.size()) return 0;
    for (size_t i = 0; i < a.left.size(); ++i)
      if (memcmp(&a.left[i], &b.left[i], sizeof(float)) || memcmp(&a.right[i], &b.right[i], sizeof(float)))
        return static_cast<long>(i);
    return -1;
  }

  static lv2host::World* sWorld;
  static vsthost::Library* sVst;
  const LilvPlugin* mPlugin = nullptr;
};
lv2host::World* ToneglassLV2::sWorld = nullptr;
vsthost::Library* ToneglassLV2::sVst = nullptr;

// Levels: -61 + 61 * 0.75 = -15.25 and -61 + 61 * 0.875 = -7.625 exactly.
const std::vector<Change> kSettings = {
    {0, 0, -30.0f}, {0, 1, 200.0f}, {0, 2, 8000.0f}, {0, 3, -15.25f, 0.75f}, {0, 4, -7.625f, 0.875f}};

// ---- What hosts read from the bundle -------------------------------------------------------

TEST_F(ToneglassLV2, IsAnAnalyserByVantorWithTheFrameworkIdentity) {
  const LilvPluginClass* cls = lilv_plugin_get_class(mPlugin);
  EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(cls)), LV2_CORE__AnalyserPlugin);
  LilvNode* name = lilv_plugin_get_name(mPlugin);
  LilvNode* author = lilv_plugin_get_author_name(mPlugin);
  EXPECT_STREQ(lilv_node_as_string(name), "Toneglass");
  ASSERT_NE(author, nullptr);
  EXPECT_STREQ(lilv_node_as_string(author), "Vantor");
  lilv_node_free(name);
  lilv_node_free(author);
  // Nothing but urid:map is required of a host.
  LilvNodes* required = lilv_plugin_get_required_features(mPlugin);
  ASSERT_EQ(lilv_nodes_size(required), 1u);
  EXPECT_STREQ(lilv_node_as_uri(lilv_nodes_get(required, lilv_nodes_begin(required))), LV2_URID__map);
  lilv_nodes_free(required);
  EXPECT_FALSE(lilv_plugin_has_latency(mPlugin));
}

TEST_F(ToneglassLV2, ParametersAreControlPortsInTheirPlainUnitsAndRanges) {
  struct Expected {
    const char* symbol;
    const char* name;
    float min, max, def;
    const char* unit;
  };
  const Expected expected[] = {{"threshold", "Threshold", -60, 6, 0, LV2_UNITS__db},
                               {"selection_start", "Selection Start", 20, 22050, 20, LV2_UNITS__hz},
                               {"selection_size", "Selection Size", 50, 10000, 50, LV2_UNITS__hz},
                               {"dry", "Dry", -61, 0, -6, LV2_UNITS__db},
                               {"wet", "Wet", -61, 0, -6, LV2_UNITS__db}};
  ASSERT_EQ(lilv_plugin_get_num_ports(mPlugin), 11u);
  const LilvNode* unitPred = sWorld->Uri(LV2_UNITS__unit);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.symbol);
    LilvNode* sym = lilv_new_string(sWorld->Get(), e.symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(mPlugin, sym);
    lilv_node_free(sym);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(lilv_port_is_a(mPlugin, port, sWorld->Uri(LILV_URI_CONTROL_PORT)));
    EXPECT_TRUE(lilv_port_is_a(mPlugin, port, sWorld->Uri(LILV_URI_INPUT_PORT)));
    LilvNode* name = lilv_port_get_name(mPlugin, port);
    EXPECT_STREQ(lilv_node_as_string(name), e.name);
    lilv_node_free(name);
    LilvNode *def, *min, *max;
    lilv_port_get_range(mPlugin, port, &def, &min, &max);
    EXPECT_EQ(lilv_node_as_float(min), e.min);
    EXPECT_EQ(lilv_node_as_float(max), e.max);
    EXPECT_EQ(lilv_node_as_float(def), e.def);
    lilv_node_free(def);
    lilv_node_free(min);
    lilv_node_free(max);
    LilvNodes* units = lilv_port_get_value(mPlugin, port, unitPred);
    ASSERT_EQ(lilv_nodes_size(units), 1u);
    EXPECT_STREQ(lilv_node_as_uri(lilv_nodes_get(units, lilv_nodes_begin(units))), e.unit);
    lilv_nodes_free(units);
  }
  // The level's bottom is silence, and says so.
  LilvNode* sym = lilv_new_string(sWorld->Get(), "dry");
  LilvScalePoints* points = lilv_port_get_scale_points(mPlugin, lilv_plugin_get_port_by_symbol(mPlugin, sym));
  lilv_node_free(sym);
  ASSERT_EQ(lilv_scale_points_size(points), 1u);
  const LilvScalePoint* point = lilv_scale_points_get(points, lilv_scale_points_begin(points));
  EXPECT_STREQ(lilv_node_as_string(lilv_scale_point_get_label(point)), "-inf");
  EXPECT_EQ(lilv_node_as_float(lilv_scale_point_get_value(point)), -61.0f);
  lilv_scale_points_free(points);
}

TEST_F(ToneglassLV2, HasStereoAudioTheHostsBypassAndAnOptionalDisplayPort) {
  const LilvNode* audio = sWorld->Uri(LILV_URI_AUDIO_PORT);
  const LilvNode* input = sWorld->Uri(LILV_URI_INPUT_PORT);
  const LilvNode* output = sWorld->Uri(LILV_URI_OUTPUT_PORT);
  int ins = 0, outs = 0;
  for (uint32_t i = 0; i < lilv_plugin_get_num_ports(mPlugin); ++i) {
    const LilvPort* p = lilv_plugin_get_port_by_index(mPlugin, i);
    if (!lilv_port_is_a(mPlugin, p, audio)) continue;
    ins += lilv_port_is_a(mPlugin, p, input);
    outs += lilv_port_is_a(mPlugin, p, output);
  }
  EXPECT_EQ(ins, 2);
  EXPECT_EQ(outs, 2);
  const LilvPort* enabled = lilv_plugin_get_port_by_designation(mPlugin, input, sWorld->Uri(LV2_CORE__enabled));
  ASSERT_NE(enabled, nullptr);
  EXPECT_TRUE(lilv_port_has_property(mPlugin, enabled, sWorld->Uri(LV2_CORE__toggled)));

  LilvNode* sym = lilv_new_string(sWorld->Get(), "display");
  const LilvPort* display = lilv_plugin_get_port_by_symbol(mPlugin, sym);
  lilv_node_free(sym);
  ASSERT_NE(display, nullptr);
  EXPECT_TRUE(lilv_port_is_a(mPlugin, display, sWorld->Uri(LV2_ATOM__AtomPort)));
  EXPECT_TRUE(lilv_port_is_a(mPlugin, display, output));
  EXPECT_TRUE(lilv_port_has_property(mPlugin, display, sWorld->Uri(LV2_CORE__connectionOptional)));
  LilvNodes* size = lilv_port_get_value(mPlugin, display, sWorld->Uri("http://lv2plug.in/ns/ext/resize-port#minimumSize"));
  ASSERT_EQ(lilv_nodes_size(size), 1u);
  // Room for a sequence holding one frame of 1024 magnitudes.
  EXPECT_GE(lilv_node_as_int(lilv_nodes_get(size, lilv_nodes_begin(size))), 4096 + 64);
  lilv_nodes_free(size);
}

TEST_F(ToneglassLV2, ItsEditorIsAnX11UIInABinaryOfItsOwn) {
  LilvUIs* uis = lilv_plugin_get_uis(mPlugin);
  ASSERT_EQ(lilv_uis_size(uis), 1u);
  const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
  EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), "urn:vantor:toneglass#ui");
  EXPECT_TRUE(lilv_ui_is_a(ui, sWorld->Uri(LV2_UI__X11UI)));
  const std::string binary = lilv_node_as_uri(lilv_ui_get_binary_uri(ui));
  EXPECT_EQ(binary.substr(binary.rfind('/') + 1), "Toneglass_ui.so");
  const std::string plugin = lilv_node_as_uri(lilv_plugin_get_library_uri(mPlugin));
  EXPECT_EQ(plugin.substr(plugin.rfind('/') + 1), "Toneglass.so");
  lilv_uis_free(uis);
}

TEST_F(ToneglassLV2, ListsThePluginsPresetWithItsPortValues) {
  LilvNodes* presets = lilv_plugin_get_related(mPlugin, sWorld->Uri(LV2_PRESETS__Preset));
  ASSERT_EQ(lilv_nodes_size(presets), 1u);
  const LilvNode* preset = lilv_nodes_get(presets, lilv_nodes_begin(presets));
  lilv_world_load_resource(sWorld->Get(), preset);
  LilvState* state = lilv_state_new_from_world(sWorld->Get(), sWorld->Urids().Feature(), preset);
  ASSERT_NE(state, nullptr);
  EXPECT_STREQ(lilv_state_get_label(state), "-");
  EXPECT_EQ(lilv_state_get_num_properties(state), 0u);
  std::vector<std::pair<std::string, float>> values;
  lilv_state_emit_port_values(
      state,
      [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t) {
        if (size == sizeof(float))
          static_cast<decltype(values)*>(user)->emplace_back(symbol, *static_cast<const float*>(value));
      },
      &values);
  const std::vector<std::pair<std::string, float>> expected = {
      {"threshold", 0.0f}, {"selection_start", 20.0f}, {"selection_size", 50.0f}, {"dry", -6.0f}, {"wet", -6.0f}};
  EXPECT_EQ(values.size(), expected.size());
  for (const auto& e : expected)
    EXPECT_NE(std::find(values.begin(), values.end(), e), values.end()) << e.first;
  lilv_state_free(state);
  lilv_nodes_free(presets);
}

// ---- Audio: the VST 2 build's, bit for bit ------------------------------------------------

TEST_F(ToneglassLV2, TheReferenceSignalMakesBlipsSoTheComparisonsMeanSomething) {
  const Signal in = ReferenceSignal(88200);
  std::vector<Change> silentWet = kSettings;
  silentWet.push_back({0, 4, -61.0f, 0.0f});
  const Signal with = RenderVst(in, {512}, kSettings, 512);
  const Signal without = RenderVst(in, {512}, silentWet, 512);
  EXPECT_NE(FirstDifference(with, without), -1);
}

TEST_F(ToneglassLV2, OutputEqualsTheVst2FloatOutputAtEveryBlockSizeInPlaceAndNot) {
  const Signal in = ReferenceSignal(88200);
  const std::vector<std::vector<int>> blockPlans = {{1}, {64}, {512}, {4096}, {1, 7, 300, 2049, 13, 4096, 0, 511}};
  for (const auto& plan : blockPlans) {
    int longest = 1;
    for (int b : plan) longest = std::max(longest, b);
    SCOPED_TRACE("first block " + std::to_string(plan[0]) + ", longest " + std::to_string(longest));
    const Signal vst = RenderVst(in, plan, kSettings, longest);
    for (bool inPlace : {false, true}) {
      SCOPED_TRACE(inPlace ? "in place" : "separate buffers");
      EXPECT_EQ(FirstDifference(RenderLv2(in, plan, kSettings, longest, inPlace), vst), -1);
    }
  }
}

TEST_F(ToneglassLV2, ControlChangesMidStreamTakeEffectAtTheSameSampleAsInTheVst2Build) {
  const Signal in = ReferenceSignal(88200);
  std::vector<Change> changes = kSettings;
  changes.push_back({10240, 0, -45.0f});
  changes.push_back({20480, 1, 1000.0f});
  changes.push_back({30720, 3, -61.0f, 0.0f});  // the bottom: silence
  changes.push_back({40960, 2, 50.0f});
  changes.push_back({51200, 4, 0.0f, 1.0f});
  changes.push_back({61440, 0, 6.0f});  // the top: nothing qualifies
  const Signal vst = RenderVst(in, {256}, changes, 256);
  EXPECT_EQ(FirstDifference(RenderLv2(in, {256}, changes, 256, false), vst), -1);
}

TEST_F(ToneglassLV2, BlocksLongerThanTheAnnouncedMaximumAreProcessedAsTheVst2BuildDoes) {
  // The host announces 512 and then sends 8192: both builds grow and reset at that block.
  const Signal in = ReferenceSignal(44100);
  const std::vector<int> plan = {512, 512, 8192, 100};
  const Signal vst = RenderVst(in, plan, kSettings, 512);
  EXPECT_EQ(FirstDifference(RenderLv2(in, plan, kSettings, 512, false), vst), -1);
}

TEST_F(ToneglassLV2, DeactivateAndActivateResetAsTheVst2MainsSwitchDoes) {
  const Signal in = ReferenceSignal(16384);
  vsthost::Plugin vst(sVst->Main());
  vst.Start(static_cast<float>(kRate), 1024);
  lv2host::Instance lv2(*sWorld, mPlugin, kRate, 1024);
  ASSERT_TRUE(lv2.Ok());
  lv2.Activate();
  std::vector<float> vl(1024), vr(1024);
  for (int b = 0; b < 16; ++b) {
    if (b == 8) {
      vst.Dispatch(effMainsChanged, 0, 0);
      vst.Dispatch(effMainsChanged, 0, 1);
      lv2.Deactivate();
      lv2.Activate();
    }
    memcpy(lv2.In(0), in.left.data() + b * 1024, 4096);
    memcpy(lv2.In(1), in.right.data() + b * 1024, 4096);
    float* ins[2] = {lv2.In(0), lv2.In(1)};
    float* outs[2] = {vl.data(), vr.data()};
    vst.Effect()->processReplacing(vst.Effect(), ins, outs, 1024);
    lv2.Run(1024);
    ASSERT_EQ(memcmp(lv2.Out(0), vl.data(), 4096), 0) << "block " << b;
    ASSERT_EQ(memcmp(lv2.Out(1), vr.data(), 4096), 0) << "block " << b;
  }
}

// ---- Edge cases of the run callback -------------------------------------------------------

TEST_F(ToneglassLV2, AnEmptyBlockTouchesNoAudioAndAMissingChannelSilencesTheOutputs) {
  lv2host::Instance lv2(*sWorld, mPlugin, kRate, 64);
  ASSERT_TRUE(lv2.Ok());
  lv2.Activate();
  for (int i = 0; i < 64; ++i) lv2.Out(0)[i] = lv2.Out(1)[i] = 0.5f;
  lv2.Run(0);
  EXPECT_EQ(lv2.Out(0)[0], 0.5f);
  // The right input unconnected: nothing is analysed, the outputs are silent.
  lilv_instance_connect_port(lv2.Get(), lv2.InPort(1), nullptr);
  lv2.Run(64);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(lv2.Out(0)[i], 0.0f);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(lv2.Out(1)[i], 0.0f);
}

TEST_F(ToneglassLV2, ControlValuesOutsideTheRangeAreClampedAndNotANumberIsIgnored) {
  const Signal in = ReferenceSignal(8192);
  // Beyond the top and the bottom: the ends of the ranges, 0 dB and -60 dB.
  const std::vector<Change> beyond = {{0, 3, 5.0f}, {0, 0, -1000.0f}};
  const std::vector<Change> ends = {{0, 3, 0.0f, 1.0f}, {0, 0, -60.0f}};
  EXPECT_EQ(FirstDifference(RenderLv2(in, {512}, beyond, 512, false), RenderVst(in, {512}, ends, 512)), -1);

  lv2host::Instance lv2(*sWorld, mPlugin, kRate, 512);
  ASSERT_TRUE(lv2.Ok());
  lv2.Activate();
  lv2.Control("dry") = NAN;
  for (int i = 0; i < 512; ++i) lv2.In(0)[i] = lv2.In(1)[i] = 1.0f;
  lv2.Run(512);
  // Still the default -6 dB.
  EXPECT_NEAR(lv2.Out(0)[100], std::pow(10.0, -6.0 / 20.0), 1e-6);
}

TEST_F(ToneglassLV2, BypassThroughTheEnabledPortPassesTheInputThrough) {
  lv2host::Instance lv2(*sWorld, mPlugin, kRate, 256);
  ASSERT_TRUE(lv2.Ok());
  lv2.Activate();
  lv2.Control("enabled") = 0.0f;
  for (int i = 0; i < 256; ++i) lv2.In(0)[i] = lv2.In(1)[i] = 0.25f * std::sin(i * 0.1);
  lv2.Run(256);
  EXPECT_EQ(memcmp(lv2.In(0), lv2.Out(0), 256 * sizeof(float)), 0);
  lv2.Control("enabled") = 1.0f;
  lv2.Run(256);
  EXPECT_NE(memcmp(lv2.In(0), lv2.Out(0), 256 * sizeof(float)), 0);
}

TEST_F(ToneglassLV2, TheDisplayPortCarriesAtMostTheLatestFramesMagnitudesPerRun) {
  lv2host::Instance lv2(*sWorld, mPlugin, kRate, 8192);
  ASSERT_TRUE(lv2.Ok());
  lv2.Activate();
  const LV2_URID frameType = sWorld->Urids().Map("urn:vantor:toneglass#DisplayFrame");
  const LV2_URID rateKey = sWorld->Urids().Map("urn:vantor:toneglass#sampleRate");
  const LV2_URID valuesKey = sWorld->Urids().Map("urn:vantor:toneglass#displayValues");
  const Signal in = ReferenceSignal(8192);
  memcpy(lv2.In(0), in.left.data(), 8192 * sizeof(float));
  memcpy(lv2.In(1), in.right.data(), 8192 * sizeof(float));
  auto events = [&]() {
    int n = 0;
    LV2_ATOM_SEQUENCE_FOREACH(lv2.AtomOut(), ev) {
      ++n;
      const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
      EXPECT_EQ(obj->body.otype, frameType);
      const LV2_Atom* rate = nullptr;
      const LV2_Atom* values = nullptr;
      lv2_atom_object_get(obj, rateKey, &rate, valuesKey, &values, 0);
      EXPECT_NE(rate, nullptr);
      EXPECT_NE(values, nullptr);
      if (rate) {
        EXPECT_EQ(reinterpret_cast<const LV2_Atom_Float*>(rate)->body, static_cast<float>(kRate));
      }
      if (values) {
        const auto* vec = reinterpret_cast<const LV2_Atom_Vector*>(values);
        EXPECT_EQ(vec->body.child_size, sizeof(float));
        EXPECT_EQ((values->size - sizeof(LV2_Atom_Vector_Body)) / sizeof(float), 1024u);
      }
    }
    return n;
  };
  lv2.Run(1000);  // no frame complete yet: an empty sequence
  EXPECT_EQ(events(), 0);
  lv2.Run(8192 - 1000);  // three frames complete: one event, the latest
  EXPECT_EQ(events(), 1);
  lv2.Run(0);
  EXPECT_EQ(events(), 0);
}

TEST_F(ToneglassLV2, ADisplayBufferTooSmallForAFrameGetsAnEmptySequenceNotAnOverrun) {
  lv2host::Instance lv2(*sWorld, mPlugin, kRate, 4096, /*atomBytes=*/1024);
  ASSERT_TRUE(lv2.Ok());
  lv2.Activate();
  lv2.Run(4096);
  const LV2_Atom_Sequence* seq = lv2.AtomOut();
  EXPECT_EQ(seq->atom.size, sizeof(LV2_Atom_Sequence_Body));
  EXPECT_EQ(seq->atom.type, sWorld->Urids().Map(LV2_ATOM__Sequence));
}

TEST_F(ToneglassLV2, AHostWithoutUridMapIsRefusedAtInstantiation) {
  lv2host::Instance lv2(*sWorld, mPlugin, kRate, 512, 8192, true, /*offerMap=*/false);
  EXPECT_FALSE(lv2.Ok());
}

// ---- State -----------------------------------------------------------------------------------

TEST_F(ToneglassLV2, SavedStateRestoresTheSamePortsAndTheSameAudio) {
  const Signal in = ReferenceSignal(16384);
  lv2host::Instance a(*sWorld, mPlugin, kRate, 512);
  ASSERT_TRUE(a.Ok());
  a.Control("threshold") = -33.5f;
  a.Control("selection_start") = 440.0f;
  a.Control("wet") = -2.0f;
  LilvState* state = lilv_state_new_from_instance(
      mPlugin, a.Get(), sWorld->Urids().Feature(), nullptr, nullptr, nullptr, nullptr,
      [](const char* symbol, void* user, uint32_t* size, uint32_t* type) -> const void* {
        auto* inst = static_cast<lv2host::Instance*>(user);
        *size = sizeof(float);
        *type = sWorld->Urids().Map(LV2_ATOM__Float);
        return &inst->Control(symbol);
      },
      &a, 0, a.Features());
  ASSERT_NE(state, nullptr);
  // Through text, as a session file.
  char* text = lilv_state_to_string(sWorld->Get(), sWorld->Urids().Feature(), sWorld->Urids().UnmapFeature(), state,
                                    "urn:test:state", nullptr);
  LilvState* loaded = lilv_state_new_from_string(sWorld->Get(), sWorld->Urids().Feature(), text);
  ASSERT_NE(loaded, nullptr);

  lv2host::Instance b(*sWorld, mPlugin, kRate, 512);
  ASSERT_TRUE(b.Ok());
  lilv_state_restore(
      loaded, b.Get(),
      [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t) {
        if (size == sizeof(float)) static_cast<lv2host::Instance*>(user)->Control(symbol) = *static_cast<const float*>(value);
      },
      &b, 0, b.Features());
  for (const char* s : kParamSymbols) EXPECT_EQ(b.Control(s), a.Control(s)) << s;

  const std::vector<Change> none;
  const Signal outA = RunBlocks(a, in, {512}, none, false);
  const Signal outB = RunBlocks(b, in, {512}, none, false);
  EXPECT_EQ(FirstDifference(outA, outB), -1);
  lilv_free(text);
  lilv_state_free(loaded);
  lilv_state_free(state);
}

}  // namespace
