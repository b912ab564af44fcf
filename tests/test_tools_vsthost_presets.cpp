// The command-line host's preset files, run as a user would: settings saved in one
// process and loaded in another render the same audio; files of another plug-in,
// damaged files and files that are not presets end with a one-line error.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

struct ToolRun {
  int exitCode = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class HostPresetTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef TONEGLASS_PLUGIN_SO
    GTEST_SKIP() << "Toneglass.so is not built";
#endif
  }

  ToolRun Host(const std::string& args) {
    ToolRun r;
    const std::string errPath = folder.Path("stderr.txt");
    std::string cmd = std::string(TONEGLASS_HOST_EXE) + " " + args;
#ifdef TONEGLASS_PLUGIN_SO
    cmd += " --plugin " + Quote(TONEGLASS_PLUGIN_SO);
#endif
    cmd += " 2>" + Quote(errPath);
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFileText(errPath);
    remove(errPath.c_str());
    return r;
  }
  std::string Path(const std::string& name) { return Quote(folder.Path(name)); }

  // Loads a file that must be refused; the error is one line naming the file.
  void ExpectRefused(const std::string& name, const std::string& reason) {
    const ToolRun r = Host("demo " + Path("never.wav") + " --load-preset " + Path(name));
    EXPECT_EQ(r.exitCode, 1) << name;
    EXPECT_NE(r.err.find("error: preset " + folder.Path(name) + " " + reason), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(FileExists("never.wav"));
  }
  bool FileExists(const std::string& name) { return !ReadFileBytes(folder.Path(name)).empty(); }

  TempFolder folder;
};

const char kSettings[] = " --set Threshold=-40 --set-normalized 1=0.0123 --set Wet=-3.3 --set Dry=-12";

}  // namespace

TEST_F(HostPresetTest, SavedSettingsRenderTheSameInANewProcess) {
  for (const char* file : {"p.fxp", "p.xml"}) {
    const ToolRun saved = Host("demo " + Path(std::string("a-") + file + ".wav") + kSettings + " --save-preset " + Path(file));
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const ToolRun loaded = Host("demo " + Path(std::string("b-") + file + ".wav") + " --load-preset " + Path(file));
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    const std::vector<unsigned char> a = ReadFileBytes(folder.Path(std::string("a-") + file + ".wav"));
    EXPECT_GT(a.size(), 100000u);
    EXPECT_EQ(a, ReadFileBytes(folder.Path(std::string("b-") + file + ".wav"))) << file;
  }
  // The program file holds the five normalised values: 56 + 20 bytes.
  EXPECT_EQ(ReadFileBytes(folder.Path("p.fxp")).size(), 76u);
  // --set after --load-preset wins; info shows the result.
  const ToolRun info = Host("info --load-preset " + Path("p.xml") + " --set Threshold=-20");
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("Threshold                -20 "), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Wet                      -3.3 "), std::string::npos) << info.out;
}

TEST_F(HostPresetTest, XmlWithoutNormalisedValuesIsSetByItsPlainValues) {
  WriteFileText(folder.Path("plain.xml"),
                "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\"><PluginVendor>Vantor</PluginVendor>"
                "<PluginName>Toneglass</PluginName><PluginVersion>v1.0.3</PluginVersion><Preset name=\"Plain\">"
                "<Parameter><Param name=\"Threshold\" val=\"-50.000000\" /><Param name=\"Nope\" val=\"1\" />"
                "</Parameter></Preset></PresetXMLTree>\n");
  const ToolRun info = Host("info --load-preset " + Path("plain.xml"));
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("Threshold                -50 "), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("current 0: \"Plain\""), std::string::npos) << info.out;
  EXPECT_NE(info.err.find("no parameter 'Nope'"), std::string::npos) << info.err;
}

TEST_F(HostPresetTest, ForeignDamagedAndNonPresetFilesAreRefused) {
  ASSERT_EQ(Host("info --save-preset " + Path("good.fxp")).exitCode, 0);
  ASSERT_EQ(Host("info --save-preset " + Path("good.xml")).exitCode, 0);
  const std::vector<unsigned char> fxp = ReadFileBytes(folder.Path("good.fxp"));
  const std::string xml = ReadFileText(folder.Path("good.xml"));
  auto fxpWith = [&](size_t at, const std::string& bytes) {
    std::vector<unsigned char> f = fxp;
    std::copy(bytes.begin(), bytes.end(), f.begin() + at);
    return f;
  };
  auto xmlWith = [&](const std::string& from, const std::string& to) {
    std::string t = xml;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  WriteFileBytes(folder.Path("other.fxp"), fxpWith(16, "ABCD"));
  ExpectRefused("other.fxp", "belongs to another plug-in (unique ID 'ABCD'; this one is 'VN02')");
  WriteFileBytes(folder.Path("count.fxp"), fxpWith(24, std::string("\0\0\0\x06", 4)));
  ExpectRefused("count.fxp", "holds 6 parameters; this plug-in has 5");
  WriteFileBytes(folder.Path("short.fxp"), std::vector<unsigned char>(fxp.begin(), fxp.end() - 4));
  ExpectRefused("short.fxp", "is damaged");
  WriteFileBytes(folder.Path("header.fxp"), std::vector<unsigned char>(fxp.begin(), fxp.begin() + 20));
  ExpectRefused("header.fxp", "is damaged");
  WriteFileBytes(folder.Path("bank.fxp"), fxpWith(8, "FxBk"));
  ExpectRefused("bank.fxp", "is a bank of programs");
  WriteFileBytes(folder.Path("chunk.fxp"), fxpWith(8, "FPCh"));
  ExpectRefused("chunk.fxp", "holds a state chunk, but this plug-in does not take chunks");
  WriteFileBytes(folder.Path("nan.fxp"), fxpWith(56, "\x7f\xc0\0\0"));
  ExpectRefused("nan.fxp", "is damaged (parameter 0 has a value outside 0 to 1)");
  WriteFileText(folder.Path("other.xml"), xmlWith(">Toneglass<", ">Glasstone<"));
  ExpectRefused("other.xml", "belongs to another plug-in ('Glasstone' by 'Vantor'");
  WriteFileText(folder.Path("broken.xml"), xml.substr(0, xml.size() / 2));
  ExpectRefused("broken.xml", "is damaged (XML error");
  WriteFileText(folder.Path("value.xml"), xmlWith("normalized=\"", "normalized=\"x"));
  ExpectRefused("value.xml", "is damaged (parameter 'Threshold' has the normalised value 'x");
  WriteFileText(folder.Path("tree.xml"), "<?xml version=\"1.0\" ?>\n<svg><g/></svg>\n");
  ExpectRefused("tree.xml", "is not a preset file");
  WriteFileText(folder.Path("notes.txt"), "Threshold=-40\n");
  ExpectRefused("notes.txt", "is not a preset file");
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<a>";
  WriteFileText(folder.Path("deep.xml"), deep);
  ExpectRefused("deep.xml", "is not a preset file");
}

TEST_F(HostPresetTest, SaveNamesAndFailuresAreReported) {
  ToolRun r = Host("info --save-preset " + Path("p.txt"));
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--save-preset wants a file name ending in .fxp or .xml"), std::string::npos) << r.err;
  r = Host("info --save-preset " + Path("missing/p.fxp"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot write preset"), std::string::npos) << r.err;
  r = Host("info --load-preset " + Path("missing.fxp"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot read preset"), std::string::npos) << r.err;
}
