// Untrusted chunks: every truncation of a valid bank and program chunk, and a few
// thousand seeded random and mutated chunks, fed to the readers. None may crash or
// read outside the chunk (the sanitizer build checks that); a failed read returns
// -1 and leaves slots and parameters exactly as they were; a successful one leaves
// every value inside its range.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "iplug_test_plug.h"

namespace {

// Everything a failed read must leave alone.
struct Snapshot {
  std::vector<std::string> names;
  std::vector<bool> initialised;
  std::vector<std::vector<unsigned char>> chunks;
  std::vector<double> values;
  int current;

  explicit Snapshot(const TestPlug& plug) : values(ParamValues(plug)), current(plug.GetCurrentPresetIdx()) {
    for (int i = 0; i < plug.NPresets(); ++i) {
      const IPreset* p = plug.GetPreset(i);
      names.emplace_back(p->mName);
      initialised.push_back(p->mInitialized);
      chunks.push_back(ChunkBytes(p->mChunk));
    }
  }
  bool operator==(const Snapshot& o) const {
    return names == o.names && initialised == o.initialised && chunks == o.chunks && values == o.values &&
           current == o.current;
  }
};

void ExpectValuesInRange(const TestPlug& plug) {
  for (int i = 0; i < plug.NParams(); ++i) {
    const IParam* p = plug.GetParam(i);
    EXPECT_GE(p->Value(), p->GetMin()) << i;
    EXPECT_LE(p->Value(), p->GetMax()) << i;
  }
}

void ExpectNamesFit(const TestPlug& plug) {
  for (int i = 0; i < plug.NPresets(); ++i) EXPECT_LT(strnlen(plug.GetPresetName(i), 300), 256u);
}

// A plug-in with five parameters and three slots, in a state unlike the bank's.
void Prepare(TestPlug& plug) {
  plug.InitFiveParams();
  plug.GetParam(0)->Set(-42.0);
  plug.GetParam(3)->Set(-9.0);
  plug.MakeDefaultPreset("mine", 1);
}

// A header and a bank of three slots: named and initialised, named with length 0
// and initialised, and uninitialised.
ByteChunk ValidBank() {
  TestPlug source(5, "2-2", 3);
  source.InitFiveParams();
  source.MakePresetFromNamedParams("first", 1, 0, -30.0);
  source.MakePresetFromNamedParams("", 1, 1, 50.0);
  ByteChunk bank;
  IPlugBase::InitChunkWithIPlugVer(&bank);
  source.SerializePresets(&bank);
  return bank;
}

ByteChunk Prefix(const ByteChunk& chunk, int size) {
  ByteChunk out;
  out.AppendBytes(chunk.GetBytes(), size);
  return out;
}

// Reads a chunk the way a host adapter does: the header, then a bank.
int ReadBank(TestPlug& plug, ByteChunk* chunk) {
  int pos = 0;
  IPlugBase::GetIPlugVerFromChunk(chunk, &pos);
  return plug.UnserializePresets(chunk, pos);
}

}  // namespace

TEST(ChunkFuzz, EveryTruncationOfABankFailsAndChangesNothing) {
  const ByteChunk bank = ValidBank();
  for (int size = 0; size < bank.Size(); ++size) {
    TestPlug plug(5, "2-2", 3);
    Prepare(plug);
    const Snapshot before(plug);
    ByteChunk cut = Prefix(bank, size);
    int pos = 0;
    const int version = IPlugBase::GetIPlugVerFromChunk(&cut, &pos);
    if (size >= 8) {
      EXPECT_EQ(version, 65536);
    }
    const int result = plug.UnserializePresets(&cut, pos);
    // Without a whole header the bank is read from the start: it fails all the same.
    EXPECT_EQ(result, -1) << size;
    EXPECT_TRUE(Snapshot(plug) == before) << "cut at " << size;
  }
  TestPlug plug(5, "2-2", 3);
  Prepare(plug);
  ByteChunk whole = Prefix(bank, bank.Size());
  EXPECT_EQ(ReadBank(plug, &whole), bank.Size());
  EXPECT_STREQ(plug.GetPresetName(0), "first");
  EXPECT_STREQ(plug.GetPresetName(1), "");
  EXPECT_EQ(plug.GetParam(0)->Value(), -30.0);
  EXPECT_EQ(plug.UnserializePresets(&whole, -1), -1);
  EXPECT_EQ(plug.UnserializePresets(nullptr, 0), -1);
}

TEST(ChunkFuzz, EveryTruncationOfAProgramChunkFailsAndChangesNothing) {
  TestPlug source;
  source.InitFiveParams();
  ByteChunk program;
  IPlugBase::InitChunkWithIPlugVer(&program);
  source.SerializeState(&program);
  for (int size = 0; size < program.Size(); ++size) {
    TestPlug plug;
    Prepare(plug);
    const Snapshot before(plug);
    ByteChunk cut = Prefix(program, size);
    int pos = 0;
    IPlugBase::GetIPlugVerFromChunk(&cut, &pos);
    // Without a whole header the adapter reads from the start: still too short.
    EXPECT_EQ(plug.UnserializeState(&cut, pos), -1) << size;
    EXPECT_TRUE(Snapshot(plug) == before) << size;
  }
}

TEST(ChunkFuzz, SeededRandomAndMutatedChunksNeverCorruptTheState) {
  const ByteChunk bank = ValidBank();
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int> byte(0, 255);
  int failures = 0, successes = 0;
  for (int round = 0; round < 3000; ++round) {
    ByteChunk chunk;
    const int kind = round % 3;
    if (kind == 0) {
      // Pure noise, sometimes behind a valid header.
      if (round % 2) IPlugBase::InitChunkWithIPlugVer(&chunk);
      const int size = std::uniform_int_distribution<int>(0, 160)(rng);
      for (int i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(byte(rng));
        chunk.AppendBytes(&b, 1);
      }
    } else {
      // The valid bank with a few bytes changed, often in the length fields.
      chunk = Prefix(bank, bank.Size());
      const int nFlips = std::uniform_int_distribution<int>(1, 4)(rng);
      for (int f = 0; f < nFlips; ++f) {
        const int at = std::uniform_int_distribution<int>(0, chunk.Size() - 1)(rng);
        chunk.GetBytes()[at] = static_cast<unsigned char>(kind == 1 ? byte(rng) : (round & 1 ? 0xFF : 0x7F));
      }
      if (round % 5 == 0) chunk.Resize(std::uniform_int_distribution<int>(0, chunk.Size())(rng));
    }

    TestPlug plug(5, "2-2", 3);
    Prepare(plug);
    const Snapshot before(plug);
    const int result = ReadBank(plug, &chunk);
    if (result < 0) {
      ++failures;
      EXPECT_EQ(result, -1);
      ASSERT_TRUE(Snapshot(plug) == before) << "round " << round;
    } else {
      ++successes;
      EXPECT_LE(result, chunk.Size());
      ExpectValuesInRange(plug);
    }
    ExpectNamesFit(plug);

    TestPlug single;
    Prepare(single);
    const Snapshot singleBefore(single);
    const int pos = std::uniform_int_distribution<int>(-2, 12)(rng);
    if (single.UnserializeParams(&chunk, pos) < 0) {
      ASSERT_TRUE(Snapshot(single) == singleBefore) << "round " << round;
    }
    ExpectValuesInRange(single);
    WDL_String text;
    chunk.ReadString(&text, pos);
    EXPECT_LE(text.GetLength(), chunk.Size());
  }
  // The mutations must exercise both outcomes, or the test proves little.
  EXPECT_GT(failures, 100);
  EXPECT_GT(successes, 100);
}

TEST(ChunkFuzz, RandomBlobsFillExactlyTheirSize) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::string text(std::uniform_int_distribution<int>(0, 40)(rng), 'A');
    for (char& c : text) c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
    const int size = std::uniform_int_distribution<int>(-3, 24)(rng);
    TestPlug plug(5, "2-2", 1);
    plug.MakePresetFromBlob("r", text.c_str(), size);
    EXPECT_EQ(plug.GetPreset(0)->mInitialized, size >= 0);
    EXPECT_EQ(plug.GetPreset(0)->mChunk.Size(), size >= 0 ? size : 0);
  }
}
