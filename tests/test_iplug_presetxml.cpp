// Preset XML files: the text written, round trips, every check a reader makes, the
// value rules (clamped into the parameters, unclamped into a preset), names shared by
// several parameters, presetParamsOnly, and hostile files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "iplug_test_plug.h"
#include "temp_folder.h"

namespace {

const char kGoodFile[] =
    "<?xml version=\"1.0\" ?>\n"
    "<PresetXMLTree version=\"1\">\n"
    "    <PluginVendor>TestMaker</PluginVendor>\n"
    "    <PluginName>TestEffect</PluginName>\n"
    "    <PluginVersion>v1.0.3</PluginVersion>\n"
    "    <Preset name=\"Bright\">\n"
    "        <Parameter>\n"
    "            <Param name=\"Threshold\" val=\"-6.500000\" />\n"
    "            <Param name=\"Start\" val=\"440.000000\" />\n"
    "            <Param name=\"Mix\" val=\"0.500000\" />\n"
    "            <Param name=\"Steps\" val=\"-4.000000\" />\n"
    "            <Param name=\"Switch\" val=\"1.000000\" />\n"
    "        </Parameter>\n"
    "    </Preset>\n"
    "</PresetXMLTree>\n";

// kGoodFile with its "Parameter" children replaced.
std::string WithParams(const std::string& params) {
  const std::string good = kGoodFile;
  const size_t begin = good.find("<Parameter>") + 11;
  const size_t end = good.find("</Parameter>");
  return good.substr(0, begin) + params + good.substr(end);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class PresetXMLTest : public ::testing::Test {
 protected:
  PresetXMLTest() : plug(5, "2-2", 1) {
    plug.InitFiveParams();
    plug.MakeDefaultPreset("-", 1);
  }
  bool Load(const std::string& text, bool presetParamsOnly = false) {
    return plug.LoadPresetXMLText("TestMaker", "TestEffect", text.c_str(), &presetName, presetParamsOnly);
  }
  bool Save(const std::string& path, const char* name, bool presetParamsOnly = false) {
    return plug.SavePresetXML(WDL_String("TestMaker"), WDL_String("TestEffect"), WDL_String("v1.0.3"),
                              WDL_String(path.c_str()), WDL_String(), WDL_String(), WDL_String(name),
                              presetParamsOnly);
  }

  TestPlug plug;
  WDL_String presetName;
  TempFolder folder;
};

}  // namespace

TEST_F(PresetXMLTest, SavedTextHasTheTreeAndAttributeOrder) {
  const std::vector<double> v = {-6.5, 440.0, 0.5, -4.0, 1.0};
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->Set(v[i]);
  // The three path parts are joined.
  ASSERT_TRUE(plug.SavePresetXML(WDL_String("TestMaker"), WDL_String("TestEffect"), WDL_String("v1.0.3"),
                                 WDL_String(folder.Path("").c_str()), WDL_String("Bri"), WDL_String("ght.xml"),
                                 WDL_String("Bright"), false));
  EXPECT_EQ(ReadFileText(folder.Path("Bright.xml")), kGoodFile);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"Bright.xml"});
}

TEST_F(PresetXMLTest, EmptyPresetNameTakesTheCurrentPresetsAndParamsOnlyLeavesParametersOut) {
  plug.GetParam(1)->SetIsPresetParam(false);
  ASSERT_TRUE(Save(folder.Path("p.xml"), "", true));
  const std::string text = ReadFileText(folder.Path("p.xml"));
  EXPECT_NE(text.find("<Preset name=\"-\">"), std::string::npos);
  EXPECT_EQ(text.find("\"Start\""), std::string::npos);
  EXPECT_NE(text.find("\"Mix\""), std::string::npos);
}

TEST_F(PresetXMLTest, RoundTripThroughAFile) {
  plug.GetParam(0)->Set(-12.25);
  plug.GetParam(3)->Set(7.0);
  const std::vector<double> saved = ParamValues(plug);
  ASSERT_TRUE(Save(folder.Path("r.xml"), "Round"));
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(1.0);
  plug.paramChanges.clear();
  WDL_String name;
  ASSERT_TRUE(plug.LoadPresetXML(WDL_String("TestMaker"), WDL_String("TestEffect"), WDL_String("ignored"),
                                 WDL_String(folder.Path("r").c_str()), WDL_String(".x"), WDL_String("ml"), &name,
                                 false));
  EXPECT_STREQ(name.Get(), "Round");
  EXPECT_EQ(ParamValues(plug), saved);
  EXPECT_TRUE(plug.paramChanges.empty());  // values only: the caller notifies
}

TEST_F(PresetXMLTest, EveryCheckRejectsWithNothingChanged) {
  const std::string deep = WithParams([] {
    std::string s;
    for (int i = 0; i < 100000; ++i) s += "<a>";
    return s;
  }());
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"not XML", "Threshold=-6\nMix=0.5\n"},
      {"binary", std::string("CcnK\x00\x00\x00\x44", 8)},
      {"unclosed", Replace(kGoodFile, "</PresetXMLTree>", "")},
      {"another root", Replace(Replace(kGoodFile, "<PresetXMLTree", "<Tree"), "</PresetXMLTree>", "</Tree>")},
      {"another maker", Replace(kGoodFile, ">TestMaker<", ">OtherMaker<")},
      {"another plug-in", Replace(kGoodFile, ">TestEffect<", ">OtherEffect<")},
      {"no maker", Replace(kGoodFile, "<PluginVendor>TestMaker</PluginVendor>", "")},
      {"maker as text", Replace(kGoodFile, "<PluginVendor>TestMaker</PluginVendor>", "PluginVendor")},
      {"no version", Replace(kGoodFile, "<PluginVersion>v1.0.3</PluginVersion>", "")},
      {"no preset", Replace(Replace(kGoodFile, "<Preset name=\"Bright\">", "<Other>"), "</Preset>", "</Other>")},
      {"name not first", Replace(kGoodFile, "<Preset name=\"Bright\">", "<Preset id=\"1\" name=\"Bright\">")},
      {"no attribute", Replace(kGoodFile, "<Preset name=\"Bright\">", "<Preset>")},
      {"no Parameter", Replace(Replace(kGoodFile, "<Parameter>", "<Params>"), "</Parameter>", "</Params>")},
      {"empty Parameter", WithParams("")},
      {"comment first", WithParams("<!-- c --><Param name=\"Mix\" val=\"0.9\" />")},
      {"text first", WithParams("text<Param name=\"Mix\" val=\"0.9\" />")},
      {"deep nesting", deep},
      {"many elements", WithParams([] {
         std::string s;
         for (int i = 0; i < 5000; ++i) s += "<Param name=\"Mix\" val=\"0.9\" />";
         return s;
       }())},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.3);
    const std::vector<double> before = ParamValues(plug);
    IPreset preset;
    preset.SetName("untouched");
    presetName.Set("untouched");
    EXPECT_FALSE(Load(c.second)) << c.first;
    EXPECT_FALSE(plug.CreatePresetXMLText("TestMaker", "TestEffect", &preset, c.second.c_str(), false)) << c.first;
    EXPECT_EQ(ParamValues(plug), before) << c.first;
    EXPECT_STREQ(presetName.Get(), "untouched") << c.first;
    EXPECT_STREQ(preset.mName, "untouched") << c.first;
    EXPECT_FALSE(preset.mInitialized) << c.first;
  }
  WDL_String name;
  EXPECT_FALSE(plug.LoadPresetXML(WDL_String("TestMaker"), WDL_String("TestEffect"), WDL_String(),
                                  WDL_String(folder.Path("missing.xml").c_str()), WDL_String(), WDL_String(), &name,
                                  false));
}

TEST_F(PresetXMLTest, HugeFileIsNotRead) {
  std::string huge = kGoodFile;
  huge += std::string(17 << 20, ' ');
  WriteFileText(folder.Path("huge.xml"), huge);
  const std::vector<double> before = ParamValues(plug);
  WDL_String name;
  EXPECT_FALSE(plug.LoadPresetXML(WDL_String("TestMaker"), WDL_String("TestEffect"), WDL_String(),
                                  WDL_String(folder.Path("huge.xml").c_str()), WDL_String(), WDL_String(), &name,
                                  false));
  EXPECT_EQ(ParamValues(plug), before);
}

TEST_F(PresetXMLTest, ValuesAreClampedUnknownNamesSkippedAndBadNumbersReadAsZero) {
  ASSERT_TRUE(Load(WithParams("<Param name=\"Threshold\" val=\"100\" />"      // above 6
                              "<Param name=\"Start\" />"                      // missing: 0, clamped to 20
                              "<Param name=\"Mix\" val=\"lots\" />"           // unreadable: 0
                              "<Param name=\"Steps\" val=\"nan\" />"          // not finite: 0
                              "<Param name=\"Switch\" val=\"-inf\" />"        // not finite: 0
                              "<Param name=\"Nothing\" val=\"5\" />"          // no such parameter
                              "<Param val=\"5\" />")));                       // no name
  EXPECT_EQ(ParamValues(plug), (std::vector<double>{6.0, 20.0, 0.0, 0.0, 0.0}));
  EXPECT_STREQ(presetName.Get(), "Bright");
}

TEST_F(PresetXMLTest, ANonParamElementStopsPartWay) {
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.0);
  EXPECT_FALSE(Load(WithParams("<Param name=\"Mix\" val=\"0.5\" /><Other /><Param name=\"Steps\" val=\"5\" />")));
  EXPECT_EQ(plug.GetParam(2)->Value(), 0.5);  // what came before stays
  EXPECT_EQ(plug.GetParam(3)->Value(), -10.0);

  IPreset preset;
  EXPECT_FALSE(plug.CreatePresetXMLText("TestMaker", "TestEffect", &preset,
                                        WithParams("<Param name=\"Mix\" val=\"0.5\" /><Other />").c_str(), false));
  EXPECT_TRUE(preset.mInitialized);
  EXPECT_EQ(preset.mChunk.Size(), 0);
  EXPECT_STREQ(preset.mName, "Bright");
}

TEST_F(PresetXMLTest, PresetParamsOnlySkipsFlaggedParameters) {
  plug.GetParam(2)->SetIsPresetParam(false);
  plug.GetParam(2)->Set(0.75);
  ASSERT_TRUE(Load(kGoodFile, true));
  EXPECT_EQ(plug.GetParam(2)->Value(), 0.75);
  EXPECT_EQ(plug.GetParam(0)->Value(), -6.5);
  ASSERT_TRUE(Load(kGoodFile, false));
  EXPECT_EQ(plug.GetParam(2)->Value(), 0.5);
}

TEST_F(PresetXMLTest, SharedNamesGoToTheLastParameter) {
  TestPlug twins(3, "2-2", 1);
  twins.GetParam(0)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1);
  twins.GetParam(1)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.1);
  twins.GetParam(2)->InitDouble("Other", 0.0, -10.0, 10.0, 0.1);
  ASSERT_TRUE(twins.LoadPresetXMLText("TestMaker", "TestEffect",
                                      WithParams("<Param name=\"Gain\" val=\"3\" />").c_str(), nullptr, false));
  EXPECT_EQ(ParamValues(twins), (std::vector<double>{0.0, 3.0, 0.0}));
}

TEST_F(PresetXMLTest, CreateFillsDefaultsAndStoresValuesUnclamped) {
  IPreset preset;
  const double stale = 99.0;
  preset.mChunk.AppendValue(&stale);  // stale bytes must go
  ASSERT_TRUE(plug.CreatePresetXMLText("TestMaker", "TestEffect", &preset,
                                       WithParams("<Param name=\"Threshold\" val=\"100\" />"
                                                  "<Param name=\"Mix\" />")
                                           .c_str(),
                                       false));
  EXPECT_TRUE(preset.mInitialized);
  EXPECT_STREQ(preset.mName, "Bright");
  ASSERT_EQ(preset.mChunk.Size(), 40);
  std::vector<double> values(5);
  memcpy(values.data(), preset.mChunk.GetBytes(), 40);
  EXPECT_EQ(values, (std::vector<double>{100.0, 1000.0, 0.0, 3.0, 0.0}));

  WriteFileText(folder.Path("c.xml"), kGoodFile);
  IPreset fromFile;
  ASSERT_TRUE(plug.CreatePresetXML(WDL_String("TestMaker"), WDL_String("TestEffect"), WDL_String(), &fromFile,
                                   WDL_String(folder.Path("c.xml").c_str()), WDL_String(), WDL_String(), false));
  memcpy(values.data(), fromFile.mChunk.GetBytes(), 40);
  EXPECT_EQ(values, (std::vector<double>{-6.5, 440.0, 0.5, -4.0, 1.0}));
}

TEST_F(PresetXMLTest, AFailedSaveLeavesTheOldFile) {
  const std::string path = folder.Path("keep.xml");
  WriteFileText(path, "old");
  {
    FileSizeLimit limit(64);
    EXPECT_FALSE(Save(path, "x"));
  }
  EXPECT_EQ(ReadFileText(path), "old");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"keep.xml"});
  EXPECT_FALSE(Save(folder.Path("missing/x.xml"), "x"));
  EXPECT_FALSE(Save("", "x"));
}

// A text ending inside a multi-byte UTF-8 sequence ends at its terminator: what lies in
// memory after it (here the rest of a valid file) never counts.
TEST_F(PresetXMLTest, TextEndsAtItsTerminatorEvenInsideAUtf8Sequence) {
  const std::string whole = WithParams("<Param name=\"Mix\" val=\"0.9\" />x\xf4zzz");
  const size_t cut = whole.find("\xf4") + 1;
  for (const char* lead : {"\xc3", "\xe2", "\xf4"}) {
    std::string buffer = whole;
    buffer[cut - 1] = lead[0];
    buffer[cut] = 0;  // the text ends here; "zz" and the closing tags follow in memory
    for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.3);
    const std::vector<double> before = ParamValues(plug);
    EXPECT_FALSE(Load(buffer)) << int(static_cast<unsigned char>(lead[0]));
    EXPECT_EQ(ParamValues(plug), before);
    IPreset preset;
    EXPECT_FALSE(plug.CreatePresetXMLText("TestMaker", "TestEffect", &preset, buffer.c_str(), false));
  }
}
