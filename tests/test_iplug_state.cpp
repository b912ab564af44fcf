// State chunks: the byte buffer's reads and writes, the program state and the bank
// byte for byte, the framework header, cut-short and corrupt data, the mutex around
// restoring, and comparing a stored state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "iplug_test_plug.h"

namespace {

std::vector<unsigned char> LittleEndian(const void* value, int size) {
  // The formats are little-endian; so is every machine we build for.
  const auto* p = static_cast<const unsigned char*>(value);
  return std::vector<unsigned char>(p, p + size);
}

void AppendInt(ByteChunk* chunk, int32_t v) { chunk->AppendValue(&v); }
void AppendDouble(ByteChunk* chunk, double v) { chunk->AppendValue(&v); }

}  // namespace

// ---- ByteChunk ------------------------------------------------------------------------------------

TEST(ByteChunkValues, AppendAndReadAdvanceThePosition) {
  ByteChunk chunk;
  const int32_t i = -123456;
  const double d = 3.25;
  const bool b = true;
  EXPECT_EQ(chunk.AppendValue(&i), 4);
  EXPECT_EQ(chunk.AppendValue(&d), 12);
  EXPECT_EQ(chunk.AppendValue(&b), 13);
  int32_t i2 = 0;
  double d2 = 0;
  bool b2 = false;
  EXPECT_EQ(chunk.ReadValue(&i2, 0), 4);
  EXPECT_EQ(chunk.ReadValue(&d2, 4), 12);
  EXPECT_EQ(chunk.ReadValue(&b2, 12), 13);
  EXPECT_EQ(i2, i);
  EXPECT_EQ(d2, d);
  EXPECT_TRUE(b2);
}

TEST(ByteChunkValues, AReadThatDoesNotFitChangesNothing) {
  ByteChunk chunk;
  AppendInt(&chunk, 7);
  double d = 42.0;
  EXPECT_EQ(chunk.ReadValue(&d, 0), -1);  // 8 bytes wanted, 4 there
  EXPECT_EQ(d, 42.0);
  int32_t v = 9;
  EXPECT_EQ(chunk.ReadValue(&v, 1), -1);
  EXPECT_EQ(chunk.ReadValue(&v, -1), -1);
  EXPECT_EQ(chunk.ReadValue(&v, std::numeric_limits<int>::max()), -1);
  EXPECT_EQ(v, 9);
  EXPECT_EQ(chunk.ReadValue(&v, 0), 4);
  EXPECT_EQ(chunk.ReadValue(&v, 4), -1);  // exactly at the end
}

TEST(ByteChunkStrings, LayoutIsLengthThenBytesWithoutTerminator) {
  ByteChunk chunk;
  chunk.AppendString("abc");
  EXPECT_EQ(ChunkBytes(chunk), (std::vector<unsigned char>{3, 0, 0, 0, 'a', 'b', 'c'}));
  chunk.AppendString(static_cast<const char*>(nullptr));
  EXPECT_EQ(chunk.Size(), 11);
}

TEST(ByteChunkStrings, ReadingFollowsTheLengthRules) {
  ByteChunk chunk;
  chunk.AppendString("name");  // 0..7
  AppendInt(&chunk, 0);        // 8..11: empty text
  AppendInt(&chunk, 3);        // 12..18: "x\0y"
  chunk.AppendBytes("x\0y", 3);
  WDL_String text("previous");
  EXPECT_EQ(chunk.ReadString(&text, 0), 8);
  EXPECT_STREQ(text.Get(), "name");
  EXPECT_EQ(chunk.ReadString(&text, 8), 12);
  EXPECT_STREQ(text.Get(), "");
  EXPECT_EQ(chunk.ReadString(&text, 12), 19);
  EXPECT_STREQ(text.Get(), "x");  // cut at the first NUL
}

TEST(ByteChunkStrings, BadLengthsNeverReadOutsideTheChunk) {
  WDL_String text("kept");
  ByteChunk shortLength;
  shortLength.AppendBytes("\x01\x00", 2);
  EXPECT_EQ(shortLength.ReadString(&text, 0), -1);

  // A negative length takes no text, and the position goes back by that much; a
  // position that would fall before the chunk is -1.
  ByteChunk negative;
  AppendInt(&negative, -3);
  negative.AppendBytes("abcdef", 6);
  EXPECT_EQ(negative.ReadString(&text, 0), 1);
  EXPECT_STREQ(text.Get(), "kept");
  ByteChunk farBack;
  AppendInt(&farBack, -100);
  EXPECT_EQ(farBack.ReadString(&text, 0), -1);
  EXPECT_STREQ(text.Get(), "kept");

  ByteChunk pastEnd;
  AppendInt(&pastEnd, 100);
  pastEnd.AppendBytes("abc", 3);
  EXPECT_EQ(pastEnd.ReadString(&text, 0), 104);  // a position past the end ...
  EXPECT_STREQ(text.Get(), "kept");              // ... and no name taken

  ByteChunk huge;
  AppendInt(&huge, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(huge.ReadString(&text, 0), -1);  // the position would not fit an int
  EXPECT_STREQ(text.Get(), "kept");
}

// ---- Program state -------------------------------------------------------------------------------

TEST(ProgramState, FiveParametersWriteFortyLittleEndianBytes) {
  TestPlug plug;
  plug.InitFiveParams();
  ByteChunk chunk;
  ASSERT_TRUE(plug.SerializeParams(&chunk));
  ASSERT_EQ(chunk.Size(), 40);
  std::vector<unsigned char> expected;
  for (double v : {-20.0, 1000.0, 0.25, 3.0, 0.0}) {
    auto bytes = LittleEndian(&v, 8);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  EXPECT_EQ(ChunkBytes(chunk), expected);
  EXPECT_EQ(plug.UnserializeParams(&chunk, 0), 40);
}

TEST(ProgramState, RoundTripClampsIntoRangesAndNotifiesInOrder) {
  TestPlug plug;
  plug.InitFiveParams();
  ByteChunk chunk;
  AppendInt(&chunk, 0x11223344);  // something before the state
  for (double v : {-100.0, 500.0, 0.75, 11.0, 1.0}) AppendDouble(&chunk, v);
  EXPECT_EQ(plug.UnserializeParams(&chunk, 4), 44);
  EXPECT_EQ(ParamValues(plug), (std::vector<double>{-60.0, 500.0, 0.75, 10.0, 1.0}));
  EXPECT_EQ(plug.paramChanges, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(ProgramState, AStateCutShortChangesNoValueAndReturnsMinusOne) {
  TestPlug plug;
  plug.InitFiveParams();
  const auto before = ParamValues(plug);
  ByteChunk chunk;
  for (double v : {1.0, 2000.0, 0.5, 4.0, 1.0}) AppendDouble(&chunk, v);
  chunk.Resize(36);
  EXPECT_EQ(plug.UnserializeParams(&chunk, 0), -1);
  EXPECT_EQ(ParamValues(plug), before);
  EXPECT_EQ(plug.paramChanges.size(), 5u);  // the plug-in still re-derives from its values
  EXPECT_EQ(plug.UnserializeParams(&chunk, 30), -1);
  EXPECT_EQ(plug.UnserializeParams(nullptr, 0), -1);
  EXPECT_EQ(ParamValues(plug), before);
}

TEST(ProgramState, NegativeStartAndNoParametersLeaveThePositionAlone) {
  TestPlug plug;
  plug.InitFiveParams();
  ByteChunk chunk;
  AppendDouble(&chunk, 1.0);
  EXPECT_EQ(plug.UnserializeParams(&chunk, -1), -1);
  TestPlug none(0);
  EXPECT_EQ(none.UnserializeParams(&chunk, 3), 3);
  ByteChunk empty;
  EXPECT_TRUE(none.SerializeParams(&empty));
  EXPECT_EQ(empty.Size(), 0);
}

TEST(ProgramState, NaNKeepsTheValueAndInfinitiesClamp) {
  TestPlug plug;
  plug.InitFiveParams();
  ByteChunk chunk;
  for (double v : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   std::nan(""), 0.0})
    AppendDouble(&chunk, v);
  EXPECT_EQ(plug.UnserializeParams(&chunk, 0), 40);
  EXPECT_EQ(ParamValues(plug), (std::vector<double>{-20.0, 22050.0, 0.0, 3.0, 0.0}));
}

TEST(ProgramState, PresetParamsOnlyHonoursThePresetFlag) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.GetParam(1)->SetIsPresetParam(false);
  ByteChunk chunk;
  for (double v : {1.0, 2000.0, 0.5, 4.0, 1.0}) AppendDouble(&chunk, v);
  EXPECT_EQ(plug.UnserializeState_New(&chunk, 0, true), 40);
  EXPECT_EQ(ParamValues(plug), (std::vector<double>{1.0, 1000.0, 0.5, 4.0, 1.0}));
  EXPECT_EQ(plug.UnserializeState(&chunk, 0), 40);
  EXPECT_EQ(plug.GetParam(1)->Value(), 2000.0);
}

TEST(ProgramState, TheMutexIsHeldWhileOnParamChangeReentersIt) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.checkMutexInParamChange = true;
  ByteChunk chunk;
  plug.SerializeParams(&chunk);
  EXPECT_EQ(plug.UnserializeParams(&chunk, 0), 40);
  EXPECT_EQ(plug.mutexFreeInParamChange, std::vector<bool>(5, false));
  EXPECT_TRUE(MutexIsFree(plug.Mutex()));
}

TEST(ProgramState, AHoldSuppressesTheNotifications) {
  TestPlug plug;
  plug.InitFiveParams();
  ByteChunk chunk;
  plug.SerializeParams(&chunk);
  plug.Hold(true);
  EXPECT_EQ(plug.UnserializeParams(&chunk, 0), 40);
  EXPECT_TRUE(plug.paramChanges.empty());
  plug.Hold(false);
  plug.UnserializeParams(&chunk, 0);
  EXPECT_EQ(plug.paramChanges.size(), 5u);
}

// ---- Framework header ------------------------------------------------------------------------------

TEST(ChunkHeader, BytesAndReadingBack) {
  ByteChunk chunk;
  AppendInt(&chunk, 99);
  IPlugBase::InitChunkWithIPlugVer(&chunk);  // empties the chunk first
  EXPECT_EQ(ChunkBytes(chunk), (std::vector<unsigned char>{'t', 'f', 'f', 'p', 0x00, 0x00, 0x01, 0x00}));
  AppendDouble(&chunk, 1.0);
  int pos = 0;
  EXPECT_EQ(IPlugBase::GetIPlugVerFromChunk(&chunk, &pos), 65536);
  EXPECT_EQ(pos, 8);
}

TEST(ChunkHeader, AbsentOrCutShortHeaders) {
  ByteChunk plain;
  AppendDouble(&plain, 1.0);
  int pos = 0;
  EXPECT_EQ(IPlugBase::GetIPlugVerFromChunk(&plain, &pos), 0);
  EXPECT_EQ(pos, 0);

  ByteChunk magicOnly;
  AppendInt(&magicOnly, IPLUG_CHUNK_MAGIC);
  magicOnly.AppendBytes("\x01\x00", 2);
  pos = 0;
  EXPECT_EQ(IPlugBase::GetIPlugVerFromChunk(&magicOnly, &pos), 0);
  EXPECT_EQ(pos, -1);

  ByteChunk tiny;
  tiny.AppendBytes("tf", 2);
  pos = 0;
  EXPECT_EQ(IPlugBase::GetIPlugVerFromChunk(&tiny, &pos), 0);
  EXPECT_EQ(pos, 0);
  pos = -1;
  EXPECT_EQ(IPlugBase::GetIPlugVerFromChunk(&magicOnly, &pos), 0);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(IPlugBase::GetIPlugVerFromChunk(nullptr, &pos), 0);
  EXPECT_EQ(IPlugBase::GetIPlugVerFromChunk(&plain, nullptr), 0);
}

// ---- Bank ---------------------------------------------------------------------------------------------

TEST(Bank, OneSlotNamedDashIsFortySixBytes) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.MakeDefaultPreset("-", 1);
  ByteChunk bank;
  ASSERT_TRUE(plug.SerializePresets(&bank));
  ASSERT_EQ(bank.Size(), 46);
  const auto bytes = ChunkBytes(bank);
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 6),
            (std::vector<unsigned char>{1, 0, 0, 0, '-', 1}));
  ByteChunk state;
  plug.SerializeParams(&state);
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 6, bytes.end()), ChunkBytes(state));
}

TEST(Bank, UninitialisedSlotsCarryNoStateAndNoSlotsWriteNothing) {
  TestPlug plug(5, "2-2", 2);
  ByteChunk bank;
  ASSERT_TRUE(plug.SerializePresets(&bank));
  EXPECT_EQ(bank.Size(), 2 * (4 + 7 + 1));  // "empty 0", "empty 1", flags 0

  TestPlug none(5, "2-2", 0);
  ByteChunk empty;
  EXPECT_TRUE(none.SerializePresets(&empty));
  EXPECT_EQ(empty.Size(), 0);
  EXPECT_EQ(none.UnserializePresets(&empty, 0), 0);
}

TEST(Bank, RoundTripRestoresSlotsAndTheCurrentPreset) {
  TestPlug source(5, "2-2", 3);
  source.InitFiveParams();
  source.MakePresetFromNamedParams("first", 1, 0, -30.0);
  source.MakePresetFromNamedParams("second", 1, 0, -10.0);
  ByteChunk bank;
  source.SerializePresets(&bank);

  TestPlug target(5, "2-2", 3);
  target.InitFiveParams();
  EXPECT_EQ(target.UnserializePresets(&bank, 0), bank.Size());
  EXPECT_STREQ(target.GetPresetName(0), "first");
  EXPECT_STREQ(target.GetPresetName(1), "second");
  EXPECT_STREQ(target.GetPresetName(2), "empty 2");
  EXPECT_TRUE(target.GetPreset(1)->mInitialized);
  EXPECT_FALSE(target.GetPreset(2)->mInitialized);
  EXPECT_EQ(target.GetParam(0)->Value(), -30.0);  // current preset 0 restored
  EXPECT_TRUE(target.GetPreset(1)->mChunk.IsEqual(&source.GetPreset(1)->mChunk));
}

TEST(Bank, ASlotWithNameLengthZeroReadsBackEmpty) {
  TestPlug plug(5, "2-2", 2);
  plug.InitFiveParams();
  ByteChunk bank;
  AppendInt(&bank, 4);
  bank.AppendBytes("full", 4);
  bank.AppendBytes("\1", 1);
  plug.SerializeParams(&bank);
  AppendInt(&bank, 0);
  bank.AppendBytes("\0", 1);
  EXPECT_EQ(plug.UnserializePresets(&bank, 0), bank.Size());
  EXPECT_STREQ(plug.GetPresetName(0), "full");
  EXPECT_STREQ(plug.GetPresetName(1), "");
}

TEST(Bank, ANegativeNameLengthKeepsTheNameAndReadingGoesOnFromWhereItPoints) {
  TestPlug plug(5, "2-2", 1);
  plug.InitFiveParams();
  plug.GetParam(0)->Set(-33.0);
  ByteChunk state;
  plug.SerializeParams(&state);
  plug.GetParam(0)->Set(0.0);
  // Length -1 points back at its own last byte (0xff), which reads as "initialised";
  // the program state follows it.
  ByteChunk bank;
  AppendInt(&bank, -1);
  bank.AppendChunk(&state);
  EXPECT_EQ(plug.UnserializePresets(&bank, 0), bank.Size());
  EXPECT_STREQ(plug.GetPresetName(0), "empty 0");
  EXPECT_TRUE(plug.GetPreset(0)->mInitialized);
  EXPECT_EQ(plug.GetParam(0)->Value(), -33.0);
}

// A plug-in with its own state format: the bank's slots carry that format too.
TEST(Bank, SlotsGoThroughTheVirtualStateOperations) {
  struct Tagged : TestPlug {
    bool SerializeState(ByteChunk* chunk) override {
      const int32_t tag = 0x7A7A7A7A;
      chunk->AppendValue(&tag);
      return SerializeParams(chunk);
    }
    int UnserializeState(ByteChunk* chunk, int pos) override {
      int32_t tag = 0;
      pos = chunk->ReadValue(&tag, pos);
      if (tag != 0x7A7A7A7A) return -1;
      return UnserializeParams(chunk, pos);
    }
  } plug;
  plug.InitFiveParams();
  plug.MakeDefaultPreset("-", 1);
  EXPECT_EQ(plug.GetPreset(0)->mChunk.Size(), 44);
  ByteChunk bank;
  plug.SerializePresets(&bank);
  EXPECT_EQ(bank.Size(), 4 + 1 + 1 + 44);
  plug.GetParam(0)->Set(0.0);
  EXPECT_EQ(plug.UnserializePresets(&bank, 0), bank.Size());
  EXPECT_EQ(plug.GetParam(0)->Value(), -20.0);
}

// ---- Comparing a stored state --------------------------------------------------------------------------

TEST(CompareState, MatchesWithinSinglePrecisionTolerance) {
  TestPlug plug;
  plug.InitFiveParams();
  ByteChunk chunk;
  AppendDouble(&chunk, 123.0);  // one value before the state: startIdx counts values
  plug.SerializeParams(&chunk);
  EXPECT_TRUE(plug.CompareState(chunk.GetBytes(), 1));
  EXPECT_FALSE(plug.CompareState(chunk.GetBytes(), 0));

  double nudged = -20.0 + 5e-6;
  memcpy(chunk.GetBytes() + 8, &nudged, 8);
  EXPECT_TRUE(plug.CompareState(chunk.GetBytes(), 1));
  double far = -20.0 + 1e-3;
  memcpy(chunk.GetBytes() + 8, &far, 8);
  EXPECT_FALSE(plug.CompareState(chunk.GetBytes(), 1));
  double nan = std::nan("");
  memcpy(chunk.GetBytes() + 8, &nan, 8);
  EXPECT_FALSE(plug.CompareState(chunk.GetBytes(), 1));

  EXPECT_FALSE(plug.CompareState(nullptr, 0));
  EXPECT_FALSE(plug.CompareState(chunk.GetBytes(), -1));
}

TEST(CompareState, TheToleranceIsOneHundredThousandthAfterRoundingToSinglePrecision) {
  TestPlug plug;
  plug.InitFiveParams();
  plug.GetParam(2)->Set(0.0);
  ByteChunk chunk;
  plug.SerializeParams(&chunk);
  // 1e-5 rounds to a single-precision value just below 1e-5, which is within tolerance.
  double justInside = static_cast<double>(1e-5f);
  memcpy(chunk.GetBytes() + 16, &justInside, 8);
  EXPECT_TRUE(plug.CompareState(chunk.GetBytes(), 0));
  double justOutside = static_cast<double>(std::nextafter(1e-5f, 1.0f));
  memcpy(chunk.GetBytes() + 16, &justOutside, 8);
  EXPECT_FALSE(plug.CompareState(chunk.GetBytes(), 0));
  // Differences below single precision vanish in the rounding.
  plug.GetParam(2)->Set(0.5);
  double belowFloat = 0.5 + 1e-9;
  memcpy(chunk.GetBytes() + 16, &belowFloat, 8);
  EXPECT_TRUE(plug.CompareState(chunk.GetBytes(), 0));
  TestPlug none(0);
  EXPECT_TRUE(none.CompareState(nullptr, 0));
}
