// Preset slots: the makers and what they store, the Base64 blob, default presets,
// pruning, restoring by index and by name, rewriting slots, and the names given to
// slots (including names too long for a slot).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "iplug_test_plug.h"

namespace {

// The 64-bit floats a slot's chunk holds.
std::vector<double> SlotValues(const IPreset* preset) {
  std::vector<double> values(preset->mChunk.Size() / 8);
  if (!values.empty()) memcpy(values.data(), preset->mChunk.GetBytes(), values.size() * 8);
  return values;
}

class PresetsTest : public ::testing::Test {
 protected:
  PresetsTest() : plug(5, "2-2", 3) { plug.InitFiveParams(); }
  TestPlug plug;
};

}  // namespace

// ---- Makers ---------------------------------------------------------------------------------------

TEST_F(PresetsTest, MakePresetReadsIntsForSteppedKindsAndDoublesForTheRest) {
  plug.MakePreset("all", -3.5, 440.0, 0.5, 7, 1);
  const IPreset* slot = plug.GetPreset(0);
  EXPECT_TRUE(slot->mInitialized);
  EXPECT_STREQ(slot->mName, "all");
  EXPECT_EQ(SlotValues(slot), (std::vector<double>{-3.5, 440.0, 0.5, 7.0, 1.0}));
  plug.MakePreset("next", 0.0, 20.0, 0.0, -10, 0);
  EXPECT_STREQ(plug.GetPresetName(1), "next");
}

TEST_F(PresetsTest, NamedParamsTakeCurrentValuesForTheOthers) {
  plug.GetParam(0)->Set(-5.0);
  plug.MakePresetFromNamedParams("x", 1, 2, 0.5);
  EXPECT_EQ(SlotValues(plug.GetPreset(0)), (std::vector<double>{-5.0, 1000.0, 0.5, 3.0, 0.0}));
  plug.MakePresetFromNamedParams("y", 2, 3, -4, 4, 1);
  EXPECT_EQ(SlotValues(plug.GetPreset(1)), (std::vector<double>{-5.0, 1000.0, 0.25, -4.0, 1.0}));
  plug.MakePresetFromNamedParams("z", 2, 9, 1.5, 0, -1.0);  // an unknown index is skipped
  EXPECT_EQ(SlotValues(plug.GetPreset(2)), (std::vector<double>{-1.0, 1000.0, 0.25, 3.0, 0.0}));
}

TEST_F(PresetsTest, DefaultParamsStoreTheDefaults) {
  for (int i = 0; i < 5; ++i) plug.GetParam(i)->SetNormalized(1.0);
  plug.MakePresetFromDefaultParam("defaults");
  EXPECT_EQ(SlotValues(plug.GetPreset(0)), (std::vector<double>{-20.0, 1000.0, 0.25, 3.0, 0.0}));
}

TEST_F(PresetsTest, MakersDoNothingWhenNoSlotIsFree) {
  plug.MakeDefaultPreset("-", 3);
  const auto before = ChunkBytes(plug.GetPreset(2)->mChunk);
  plug.MakePreset("late", 0.0, 20.0, 0.0, 0, 0);
  plug.MakePresetFromNamedParams("late", 0);
  plug.MakePresetFromDefaultParam("late");
  plug.MakePresetFromBlob("late", "AAAA", 3);
  ByteChunk chunk;
  plug.MakePresetFromChunk("late", &chunk);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(plug.GetPresetName(i), "-");
  EXPECT_EQ(ChunkBytes(plug.GetPreset(2)->mChunk), before);
}

TEST_F(PresetsTest, InitIntoAGivenSlotReplacesItsState) {
  plug.MakeDefaultPreset("-", 1);
  plug.InitPresetFromNamedParams(0, "again", 1, 1, 50.0);
  const IPreset* slot = plug.GetPreset(0);
  EXPECT_EQ(slot->mChunk.Size(), 40);  // one state, not two
  EXPECT_EQ(SlotValues(slot)[1], 50.0);
  EXPECT_STREQ(slot->mName, "again");
  plug.InitPresetFromNamedParams(3, "nowhere", 0);
  plug.InitPresetFromNamedParams(-1, "nowhere", 0);
  plug.InitPresetFromNamedParams1(nullptr, "nowhere", 0);
  plug.InitPresetFromDefaultParam(nullptr, "nowhere");

  IPreset loose;
  plug.InitPresetFromNamedParams1(&loose, "loose", 1, 4, 1);
  EXPECT_EQ(SlotValues(&loose), (std::vector<double>{-20.0, 1000.0, 0.25, 3.0, 1.0}));
  plug.InitPresetFromDefaultParam(&loose, "loose defaults");
  EXPECT_EQ(loose.mChunk.Size(), 40);
  EXPECT_TRUE(loose.mInitialized);
}

// ---- Base64 blobs -----------------------------------------------------------------------------------

TEST_F(PresetsTest, BlobDecodesAndStopsAtPaddingAtOtherCharactersAndWhenFullThenPadsWithZeros) {
  plug.MakePresetFromBlob("pad", "TWE=AAAA", 4);  // "Ma", then "=" ends it
  EXPECT_EQ(ChunkBytes(plug.GetPreset(0)->mChunk), (std::vector<unsigned char>{'M', 'a', 0, 0}));
  EXPECT_TRUE(plug.GetPreset(0)->mInitialized);
  plug.MakePresetFromBlob("full", "TWFuTWFuTWFu", 4);
  EXPECT_EQ(ChunkBytes(plug.GetPreset(1)->mChunk), (std::vector<unsigned char>{'M', 'a', 'n', 'M'}));
  plug.MakePresetFromBlob("odd", "+/9 8", 3);  // a space ends it
  EXPECT_EQ(ChunkBytes(plug.GetPreset(2)->mChunk), (std::vector<unsigned char>{0xFB, 0xFF, 0x00}));
}

TEST_F(PresetsTest, BlobSizesAndTextsThatCouldOverrun) {
  plug.MakePresetFromBlob("negative", "TWFu", -1);
  EXPECT_FALSE(plug.GetPreset(0)->mInitialized);
  plug.MakePresetFromBlob("zero", "TWFu", 0);
  EXPECT_TRUE(plug.GetPreset(0)->mInitialized);
  EXPECT_EQ(plug.GetPreset(0)->mChunk.Size(), 0);
  plug.MakePresetFromBlob("null", nullptr, 2);
  EXPECT_EQ(ChunkBytes(plug.GetPreset(1)->mChunk), (std::vector<unsigned char>{0, 0}));
  const std::string longText(10000, 'A');
  plug.MakePresetFromBlob("long", longText.c_str(), 1);
  EXPECT_EQ(plug.GetPreset(2)->mChunk.Size(), 1);
}

// ---- Default presets and pruning -------------------------------------------------------------------

TEST_F(PresetsTest, DefaultPresetsStoreTheCurrentState) {
  plug.GetParam(0)->Set(-6.0);
  plug.MakeDefaultPreset("-", 1);
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  EXPECT_EQ(SlotValues(plug.GetPreset(0))[0], -6.0);
  EXPECT_FALSE(plug.GetPreset(1)->mInitialized);
  plug.MakeDefaultPreset(nullptr, 1);
  EXPECT_STREQ(plug.GetPresetName(1), "Empty");
  plug.EnsureDefaultPreset();
  EXPECT_STREQ(plug.GetPresetName(2), "Empty");
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  EXPECT_EQ(plug.GetNextUninitializedPreset(), nullptr);
  plug.MakeDefaultPreset("more", 5);  // nothing left: no effect, no crash
}

TEST(PresetsPrune, DropsEmptySlotsKeepingOrderAndTheCurrentSlot) {
  TestPlug plug(5, "2-2", 5);
  plug.InitFiveParams();
  plug.InitPresetFromDefaultParam(plug.GetPreset(1), "one");
  plug.InitPresetFromDefaultParam(plug.GetPreset(3), "three");
  ASSERT_TRUE(plug.RestorePreset(3));
  plug.PruneUninitializedPresets();
  ASSERT_EQ(plug.NPresets(), 2);
  EXPECT_STREQ(plug.GetPresetName(0), "one");
  EXPECT_STREQ(plug.GetPresetName(1), "three");
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);

  TestPlug empty(5, "2-2", 2);
  empty.PruneUninitializedPresets();
  EXPECT_EQ(empty.NPresets(), 0);
  EXPECT_EQ(empty.GetCurrentPresetIdx(), 0);
  EXPECT_FALSE(empty.RestorePreset(0));
}

// ---- Restoring --------------------------------------------------------------------------------------

TEST_F(PresetsTest, RestoringAnInitialisedSlotLoadsItAndRedraws) {
  bool destroyed = false;
  auto* gui = new RecordingGraphics(plug.Mutex(), &destroyed);
  plug.AttachGraphics(gui);
  plug.MakePresetFromNamedParams("loud", 1, 0, 3.0);
  plug.MakePresetFromNamedParams("quiet", 1, 0, -50.0);
  gui->pushes.clear();
  plug.paramChanges.clear();
  EXPECT_TRUE(plug.RestorePreset(1));
  EXPECT_EQ(plug.GetParam(0)->Value(), -50.0);
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
  EXPECT_EQ(plug.presetsChanged, 1);
  EXPECT_EQ(plug.paramChanges, (std::vector<int>{0, 1, 2, 3, 4}));
  ASSERT_EQ(gui->pushes.size(), 5u);
  EXPECT_EQ(gui->pushes[0].value, -50.0);
  EXPECT_FALSE(gui->pushes[0].normalized);
}

TEST_F(PresetsTest, RestoringAnEmptySlotMakesAUserPreset) {
  plug.GetParam(1)->Set(333.0);
  EXPECT_TRUE(plug.RestorePreset(0, false));
  EXPECT_STREQ(plug.GetPresetName(0), "user preset 1");
  EXPECT_TRUE(plug.GetPreset(0)->mInitialized);
  EXPECT_EQ(SlotValues(plug.GetPreset(0))[1], 333.0);

  TestPlug many(5, "2-2", 4);
  many.GetPreset(0)->SetName("my user preset");
  many.GetPreset(1)->SetName("user preset 7");
  EXPECT_TRUE(many.RestorePreset(3));
  EXPECT_STREQ(many.GetPresetName(3), "user preset 3");
  EXPECT_EQ(many.GetCurrentPresetIdx(), 3);
}

TEST_F(PresetsTest, ASlotWhoseStateIsCutShortIsNotRestored) {
  plug.MakeDefaultPreset("-", 1);
  plug.GetPreset(0)->mChunk.Resize(20);
  plug.GetParam(0)->Set(-1.0);
  EXPECT_FALSE(plug.RestorePreset(0));
  EXPECT_EQ(plug.GetParam(0)->Value(), -1.0);
  EXPECT_EQ(plug.presetsChanged, 0);
}

TEST_F(PresetsTest, RestoreHonoursThePresetFlagWhenAsked) {
  plug.MakePresetFromNamedParams("p", 2, 0, 1.0, 1, 100.0);
  plug.GetParam(1)->SetIsPresetParam(false);
  plug.GetParam(0)->Set(0.0);
  plug.GetParam(1)->Set(500.0);
  EXPECT_TRUE(plug.RestorePreset(0, true));
  EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);
  EXPECT_EQ(plug.GetParam(1)->Value(), 500.0);
  EXPECT_TRUE(plug.RestorePreset(0, false));
  EXPECT_EQ(plug.GetParam(1)->Value(), 100.0);
}

TEST_F(PresetsTest, RestoreByIndexAndByNameAndNamesRejectBadArguments) {
  EXPECT_FALSE(plug.RestorePreset(-1));
  EXPECT_FALSE(plug.RestorePreset(3));
  EXPECT_FALSE(plug.RestorePreset(""));
  EXPECT_FALSE(plug.RestorePreset(static_cast<const char*>(nullptr)));
  EXPECT_STREQ(plug.GetPresetName(3), "");
  EXPECT_STREQ(plug.GetPresetName(-1), "");
  plug.MakePresetFromNamedParams("Bright", 1, 0, 2.0);
  plug.MakePresetFromNamedParams("Dark", 1, 0, -2.0);
  EXPECT_FALSE(plug.RestorePreset("dark"));
  EXPECT_TRUE(plug.RestorePreset("Dark"));
  EXPECT_EQ(plug.GetParam(0)->Value(), -2.0);
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
}

// ---- Rewriting slots and names ------------------------------------------------------------------------

TEST_F(PresetsTest, ModifyRewritesTheStateAndRenamesOnlyWithAName) {
  plug.MakeDefaultPreset("-", 1);
  plug.GetParam(0)->Set(4.0);
  plug.ModifyCurrentPreset(nullptr);
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  EXPECT_EQ(plug.GetPreset(0)->mChunk.Size(), 40);
  EXPECT_EQ(SlotValues(plug.GetPreset(0))[0], 4.0);
  plug.ModifyCurrentPreset("");
  EXPECT_STREQ(plug.GetPresetName(0), "-");
  plug.ModifyPreset(2, "renamed");
  EXPECT_STREQ(plug.GetPresetName(2), "renamed");
  EXPECT_FALSE(plug.GetPreset(2)->mInitialized);  // the flag is not touched
  plug.ModifyPreset(3, "nowhere");
  plug.ModifyPreset(-1, "nowhere");
}

TEST_F(PresetsTest, OverlongNamesAreCutToTheSlot) {
  const std::string hostName(1000, 'h');
  plug.ModifyPreset(0, hostName.c_str());
  EXPECT_EQ(strlen(plug.GetPresetName(0)), 255u);
  plug.MakePresetFromDefaultParam(hostName.c_str());
  EXPECT_EQ(strlen(plug.GetPresetName(0)), 255u);

  // A bank can carry a name of any length: it is cut too.
  ByteChunk bank;
  bank.AppendString(hostName.c_str());
  const bool initialised = true;
  bank.AppendValue(&initialised);
  plug.SerializeParams(&bank);
  for (int i = 1; i < 3; ++i) {
    bank.AppendString("x");
    const bool empty = false;
    bank.AppendValue(&empty);
  }
  EXPECT_EQ(plug.UnserializePresets(&bank, 0), bank.Size());
  EXPECT_EQ(strlen(plug.GetPresetName(0)), 255u);
}

TEST(PresetNames, UserPresetNamesCountEveryMatchingSlot) {
  WDL_PtrList<IPreset> list;
  char name[MAX_PRESET_NAME_LEN];
  MakeDefaultUserPresetName(&list, name);
  EXPECT_STREQ(name, "user preset 1");
  const char* names[] = {"user preset 1", "A user preset", "User Preset", "preset user"};
  for (const char* n : names) {
    list.Add(new IPreset);
    list.Get(list.GetSize() - 1)->SetName(n);
  }
  MakeDefaultUserPresetName(&list, name);
  EXPECT_STREQ(name, "user preset 3");
  MakeDefaultUserPresetName(nullptr, name);
  EXPECT_STREQ(name, "user preset 1");
  MakeDefaultUserPresetName(&list, nullptr);
  list.Empty(true);
}
