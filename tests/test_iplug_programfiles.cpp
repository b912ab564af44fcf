// VST 2 program files: the exact bytes of both kinds, loading into the parameters and
// into a new preset, every header check, files cut short or lying about their sizes,
// the preset name taken from a path, and writes that fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "iplug_test_plug.h"
#include "temp_folder.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes BE32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

Bytes Slice(const Bytes& b, size_t at, size_t n) { return Bytes(b.begin() + at, b.begin() + at + n); }

uint32_t FloatBits(float f) {
  uint32_t u;
  memcpy(&u, &f, 4);
  return u;
}

void PutBE32(Bytes* b, size_t at, uint32_t v) {
  const Bytes field = BE32(v);
  std::copy(field.begin(), field.end(), b->begin() + at);
}

// Slot names, flags and chunks plus the parameters, for "nothing changed" checks.
std::string Snapshot(const IPlugBase& plug) {
  std::string s;
  for (int i = 0; i < plug.NPresets(); ++i) {
    const IPreset* p = plug.GetPreset(i);
    s += p->mName;
    s += p->mInitialized ? "|1|" : "|0|";
    s.append(reinterpret_cast<const char*>(p->mChunk.GetBytes()), p->mChunk.Size());
  }
  for (double v : ParamValues(plug)) s.append(reinterpret_cast<const char*>(&v), sizeof(v));
  return s;
}

class ProgramFileTest : public ::testing::Test {
 protected:
  ProgramFileTest() : plug(5, "2-2", 1), chunkPlug(5, "2-2", 1, 0, true) {
    for (TestPlug* p : {&plug, &chunkPlug}) {
      p->InitFiveParams();
      p->MakeDefaultPreset("-", 1);
      p->GetParam(0)->Set(-6.5);
      p->GetParam(1)->Set(440.0);
      p->GetParam(2)->Set(0.5);
      p->GetParam(3)->Set(-4.0);
      p->GetParam(4)->Set(1.0);
    }
  }

  Bytes Fxp(TestPlug& p, const char* name) {
    ByteChunk file;
    EXPECT_TRUE(p.MakeProgramFXP(name, &file));
    return ChunkBytes(file);
  }
  bool Load(TestPlug& p, const Bytes& file, bool notifyOnly = false) {
    return p.LoadProgramFromFXPData(file.data(), static_cast<int>(file.size()), notifyOnly);
  }

  TestPlug plug, chunkPlug;
  TempFolder folder;
};

}  // namespace

// ---- Bytes written ---------------------------------------------------------------------------

TEST_F(ProgramFileTest, ValueFileHasBigEndianFieldsAndTheNormalisedValues) {
  const Bytes f = Fxp(plug, "123456789012345678901234567890");
  ASSERT_EQ(f.size(), 76u);
  EXPECT_EQ(Slice(f, 0, 4), (Bytes{'C', 'c', 'n', 'K'}));
  EXPECT_EQ(Slice(f, 4, 4), BE32(68));
  EXPECT_EQ(Slice(f, 8, 4), (Bytes{'F', 'x', 'C', 'k'}));
  EXPECT_EQ(Slice(f, 12, 4), BE32(1));
  EXPECT_EQ(Slice(f, 16, 4), (Bytes{0x54, 0x73, 0x74, 0x31}));
  EXPECT_EQ(Slice(f, 20, 4), BE32(1003));  // version 1.0.3 in decimal form
  EXPECT_EQ(Slice(f, 24, 4), BE32(5));
  const std::string name(reinterpret_cast<const char*>(&f[28]), 28);
  EXPECT_EQ(name, std::string("123456789012345678901234567") + '\0');
  EXPECT_EQ(Slice(f, 56 + 8, 4), (Bytes{0x3F, 0x00, 0x00, 0x00}));  // Mix 0.5 -> 0.5f
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(Slice(f, 56 + 4 * i, 4), BE32(FloatBits(static_cast<float>(plug.GetParam(i)->GetNormalized()))));
}

TEST_F(ProgramFileTest, ChunkFileCarriesTheFrameworkHeaderAndTheState) {
  const Bytes f = Fxp(chunkPlug, "c");
  ASSERT_EQ(f.size(), 60u + 8u + 40u);
  EXPECT_EQ(Slice(f, 4, 4), BE32(100));
  EXPECT_EQ(Slice(f, 8, 4), (Bytes{'F', 'P', 'C', 'h'}));
  EXPECT_EQ(Slice(f, 56, 4), BE32(48));
  EXPECT_EQ(Slice(f, 60, 8), (Bytes{'t', 'f', 'f', 'p', 0x00, 0x00, 0x01, 0x00}));
  double first;
  memcpy(&first, &f[68], 8);
  EXPECT_EQ(first, -6.5);
  EXPECT_EQ(f[28], 'c');
  EXPECT_EQ(f[29], 0);
}

TEST_F(ProgramFileTest, SavingWritesTheSameBytesUnderTheCurrentPresetsName) {
  WDL_String path(folder.Path("a.fxp").c_str());
  ASSERT_TRUE(plug.SaveProgramAsFXP(&path));
  EXPECT_EQ(ReadFileBytes(path.Get()), Fxp(plug, "-"));
  WDL_String empty;
  EXPECT_FALSE(plug.SaveProgramAsFXP(&empty));
  EXPECT_FALSE(plug.SaveProgramAsFXPName(nullptr, "x"));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.fxp"});
}

TEST_F(ProgramFileTest, BanksAreNotFiles) {
  WDL_String path(folder.Path("b.fxb").c_str());
  EXPECT_FALSE(plug.SaveBankAsFXB(&path));
  EXPECT_FALSE(plug.LoadBankFromFXB(&path));
}

// ---- Loading -----------------------------------------------------------------------------------

TEST_F(ProgramFileTest, ValueFileLoadsIntoTheParametersAndTheCurrentPreset) {
  const Bytes f = Fxp(plug, "Saved");
  const std::vector<double> saved = ParamValues(plug);
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.0);
  plug.paramChanges.clear();
  WDL_String path(folder.Path("p.fxp").c_str());
  WriteFileBytes(path.Get(), f);
  ASSERT_TRUE(plug.LoadProgramFromFXP(&path, false));
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(plug.GetParam(i)->Value(), saved[i], 1e-3 * (1 + std::fabs(saved[i])));
  EXPECT_STREQ(plug.GetPresetName(0), "Saved");
  double stored;
  memcpy(&stored, plug.GetPreset(0)->mChunk.GetBytes() + 8, 8);
  EXPECT_EQ(stored, plug.GetParam(1)->Value());
  EXPECT_EQ(plug.programChanges, 1);
  EXPECT_EQ(plug.paramChanges, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ProgramFileTest, NotifyOnlyLeavesThePresetAlone) {
  const Bytes f = Fxp(plug, "Saved");
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.0);
  const ByteChunk before = plug.GetPreset(0)->mChunk;
  plug.paramChanges.clear();
  ASSERT_TRUE(Load(plug, f, true));
  EXPECT_EQ(plug.GetParam(2)->Value(), 0.5);
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  EXPECT_TRUE(plug.GetPreset(0)->mChunk.IsEqual(&before));
  EXPECT_EQ(plug.paramChanges, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(plug.programChanges, 1);
}

TEST_F(ProgramFileTest, ChunkFileRestoresExactValuesWithOrWithoutTheHeader) {
  Bytes f = Fxp(chunkPlug, "");
  const std::vector<double> saved = ParamValues(chunkPlug);
  for (int i = 0; i < 5; ++i) chunkPlug.GetParam(i)->SetNormalized(1.0);
  ASSERT_TRUE(Load(chunkPlug, f));
  EXPECT_EQ(ParamValues(chunkPlug), saved);
  EXPECT_STREQ(chunkPlug.GetPresetName(0), "-");  // an empty name in the file keeps the preset's

  // The same state without the framework header, as other writers store it.
  Bytes bare(f.begin(), f.begin() + 60);
  bare.insert(bare.end(), f.begin() + 68, f.end());
  PutBE32(&bare, 4, static_cast<uint32_t>(bare.size() - 8));
  PutBE32(&bare, 56, 40);
  for (int i = 0; i < 5; ++i) chunkPlug.GetParam(i)->SetNormalized(1.0);
  ASSERT_TRUE(Load(chunkPlug, bare));
  EXPECT_EQ(ParamValues(chunkPlug), saved);
}

TEST_F(ProgramFileTest, RejectedFilesChangeNothing) {
  const Bytes good = Fxp(plug, "x");
  const Bytes goodChunk = Fxp(chunkPlug, "x");
  auto with = [](Bytes b, size_t at, uint32_t v) {
    PutBE32(&b, at, v);
    return b;
  };
  struct Case {
    const char* what;
    TestPlug* target;
    Bytes file;
  };
  std::vector<Case> cases = {
      {"empty", &plug, {}},
      {"shorter than the header", &plug, Slice(good, 0, 27)},
      {"wrong magic", &plug, with(good, 0, 0x43636E4C)},
      {"bank kind", &plug, with(good, 8, 0x4678426B)},
      {"chunk kind for a value plug-in", &plug, with(good, 8, 0x46504368)},
      {"unknown kind", &chunkPlug, with(goodChunk, 8, 0)},
      {"format version 2", &plug, with(good, 12, 2)},
      {"another plug-in", &plug, with(good, 16, TestPlug::kUniqueID + 1)},
      {"one parameter fewer", &plug, with(good, 24, 4)},
      {"one parameter more", &plug, with(good, 24, 6)},
      {"chunk state cut short", &chunkPlug, Slice(goodChunk, 0, goodChunk.size() - 1)},
      {"chunk without its size", &chunkPlug, Slice(goodChunk, 0, 58)},
      {"text", &plug, Bytes{'<', '?', 'x', 'm', 'l', ' ', 'v', 'e', 'r', 's', 'i', 'o', 'n', '=', '"', '1', '.', '0', '"',
                             '?', '>', '<', 'P', 'r', 'e', 's', 'e', 't', 'X', 'M', 'L', 'T', 'r', 'e', 'e', '>'}},
  };
  unsigned seed = 12345;
  for (int n : {28, 56, 76, 200}) {
    Bytes noise(static_cast<size_t>(n));
    for (auto& b : noise) b = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
    cases.push_back({"random bytes", &plug, noise});
  }
  for (const Case& c : cases) {
    for (int i = 0; i < 5; ++i) c.target->GetParam(i)->SetNormalized(0.3);
    const std::string before = Snapshot(*c.target);
    const int presets = c.target->NPresets();
    c.target->programChanges = 0;
    EXPECT_FALSE(Load(*c.target, c.file)) << c.what;
    EXPECT_FALSE(c.target->LoadProgramFromFXPDataToPreset(c.file.data(), static_cast<int>(c.file.size()), "n"))
        << c.what;
    EXPECT_EQ(Snapshot(*c.target), before) << c.what;
    EXPECT_EQ(c.target->NPresets(), presets) << c.what;
    EXPECT_EQ(c.target->programChanges, 0) << c.what;
  }
  WDL_String missing(folder.Path("missing.fxp").c_str());
  EXPECT_FALSE(plug.LoadProgramFromFXP(&missing, false));
  WDL_String dir(folder.Path("").c_str());
  EXPECT_FALSE(plug.LoadProgramFromFXP(&dir, false));
  EXPECT_FALSE(plug.LoadProgramFromFXP(nullptr, false));
}

// Values the file does not hold keep what the parameters had; the file is accepted.
TEST_F(ProgramFileTest, ValueFileCutShortSetsOnlyTheValuesItHolds) {
  const Bytes good = Fxp(plug, "x");
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.0);
  const std::vector<double> zeroed = ParamValues(plug);
  ASSERT_TRUE(Load(plug, Slice(good, 0, 56 + 8 + 3)));
  EXPECT_NEAR(plug.GetParam(0)->Value(), -6.5, 1e-4);
  EXPECT_NEAR(plug.GetParam(1)->Value(), 440.0, 1e-2);
  EXPECT_EQ(plug.GetParam(2)->Value(), zeroed[2]);
  EXPECT_EQ(plug.GetParam(4)->Value(), zeroed[4]);

  // Header without name or data: nothing to set, and the preset keeps its name.
  const std::vector<double> before = ParamValues(plug);
  ASSERT_TRUE(Load(plug, Slice(good, 0, 40)));
  EXPECT_EQ(ParamValues(plug), before);
  EXPECT_STREQ(plug.GetPresetName(0), "x");
}

TEST_F(ProgramFileTest, SizeFieldsThatLieAreNotTrusted) {
  Bytes f = Fxp(plug, "x");
  PutBE32(&f, 4, 0xFFFFFFF0u);
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.0);
  ASSERT_TRUE(Load(plug, f));
  EXPECT_EQ(plug.GetParam(2)->Value(), 0.5);

  Bytes c = Fxp(chunkPlug, "x");
  const std::vector<double> saved = ParamValues(chunkPlug);
  PutBE32(&c, 56, 0x7FFFFFFF);  // more than the file holds: the bytes there are read
  for (int i = 0; i < 5; ++i) chunkPlug.GetParam(i)->SetNormalized(1.0);
  ASSERT_TRUE(Load(chunkPlug, c));
  EXPECT_EQ(ParamValues(chunkPlug), saved);
  PutBE32(&c, 56, 20);  // less than the state: the state is cut there and refused
  const std::string before = Snapshot(chunkPlug);
  EXPECT_FALSE(Load(chunkPlug, c));
  EXPECT_EQ(Snapshot(chunkPlug), before);
}

TEST_F(ProgramFileTest, NotANumberKeepsTheParametersValue) {
  Bytes f = Fxp(plug, "x");
  PutBE32(&f, 56 + 8, 0x7FC00000u);  // NaN for Mix
  PutBE32(&f, 56, 0x7F800000u);      // +inf for Threshold: the top of its range
  plug.GetParam(2)->Set(0.75);
  ASSERT_TRUE(Load(plug, f));
  EXPECT_EQ(plug.GetParam(2)->Value(), 0.75);
  EXPECT_EQ(plug.GetParam(0)->Value(), 6.0);
}

TEST_F(ProgramFileTest, LoadingToAPresetAddsASlotNamedAfterTheFile) {
  const Bytes f = Fxp(plug, "inside");
  const std::vector<double> fileValues = ParamValues(plug);
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(0.1);
  const std::vector<double> live = ParamValues(plug);
  WDL_String path(folder.Path("Warm Pad.fxp").c_str());
  WriteFileBytes(path.Get(), f);
  ASSERT_TRUE(plug.LoadProgramFromFXPtoPreset(&path));
  EXPECT_EQ(ParamValues(plug), live);
  ASSERT_EQ(plug.NPresets(), 2);
  EXPECT_STREQ(plug.GetPresetName(1), "Warm Pad");
  EXPECT_TRUE(plug.GetPreset(1)->mInitialized);
  ASSERT_EQ(plug.GetPreset(1)->mChunk.Size(), 40);
  double mix;
  memcpy(&mix, plug.GetPreset(1)->mChunk.GetBytes() + 16, 8);
  EXPECT_EQ(mix, fileValues[2]);

  const Bytes c = Fxp(chunkPlug, "inside");
  const std::vector<double> chunkValues = ParamValues(chunkPlug);
  for (int i = 0; i < 5; ++i) chunkPlug.GetParam(i)->SetNormalized(0.9);
  const std::vector<double> chunkLive = ParamValues(chunkPlug);
  ASSERT_TRUE(chunkPlug.LoadProgramFromFXPDataToPreset(c.data(), static_cast<int>(c.size()), "c"));
  EXPECT_EQ(ParamValues(chunkPlug), chunkLive);
  ASSERT_TRUE(chunkPlug.RestorePreset(1, false));
  EXPECT_EQ(ParamValues(chunkPlug), chunkValues);
}

TEST(PresetNameFromPath, IsTheLastPartWithoutItsExtension) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"/presets/Warm Pad.fxp", "Warm Pad"},
      {"C:\\presets\\Warm.Pad.fxp", "Warm.Pad"},
      {"/presets.d/Warm Pad", "Warm Pad"},
      {"presets.d\\Warm", "Warm"},
      {"mixed\\slashes/and.dots\\last.fxp", "last"},
      {"Warm Pad", "Warm Pad"},
      {"Warm.fxp", "Warm"},
      {"/presets/", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    WDL_String name("stale");
    IPlugBase::PresetNameFromPath(c.first, &name);
    EXPECT_STREQ(name.Get(), c.second) << c.first;
  }
}

// ---- Writes that fail ------------------------------------------------------------------------------

TEST_F(ProgramFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const std::string path = folder.Path("keep.fxp");
  WriteFileText(path, "the old file");
  WDL_String p(path.c_str());
  {
    FileSizeLimit limit(20);  // the new file cannot be written in full
    EXPECT_FALSE(plug.SaveProgramAsFXPName(&p, "x"));
  }
  EXPECT_EQ(ReadFileText(path), "the old file");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"keep.fxp"});

  WDL_String intoMissingFolder(folder.Path("no/such/folder.fxp").c_str());
  EXPECT_FALSE(plug.SaveProgramAsFXPName(&intoMissingFolder, "x"));
  WDL_String ontoAFolder(folder.Path("").c_str());
  EXPECT_FALSE(plug.SaveProgramAsFXPName(&ontoAFolder, "x"));
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"keep.fxp"});
}
