// Preset dumps and Base64: the dump texts character for character, blobs longer than
// a kilobyte of text, names that need escaping, and RFC 4648's test vectors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Base64.h"
#include "iplug_test_plug.h"
#include "temp_folder.h"

namespace {

std::string Encode(const std::string& bytes) {
  WDL_String out("stale");
  EXPECT_TRUE(Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()), &out));
  return out.Get();
}

class DumpTest : public ::testing::Test {
 protected:
  DumpTest() : plug(5, "2-2", 2) {
    plug.InitFiveParams();
    plug.GetParam(0)->Set(-6.5);
    plug.GetParam(3)->Set(-4.75);  // truncated towards zero
    plug.GetParam(4)->Set(0.5);    // a boolean is true from 0.5
  }
  TestPlug plug;
  TempFolder folder;
};

}  // namespace

TEST(Base64, MatchesTheRfcTestVectorsBothWays) {
  const std::vector<std::pair<std::string, std::string>> vectors = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {std::string(4, '\0'), "AAAAAA=="},
      {"\xff\xfe\xfd", "//79"},
  };
  for (const auto& v : vectors) {
    EXPECT_EQ(Encode(v.first), v.second);
    std::vector<unsigned char> decoded(v.first.size() + 4, 0xAA);
    EXPECT_EQ(Base64Decode(v.second.c_str(), decoded.data(), static_cast<int>(v.first.size())),
              static_cast<int>(v.first.size()));
    EXPECT_EQ(std::string(decoded.begin(), decoded.begin() + v.first.size()), v.first);
  }
}

TEST_F(DumpTest, NamedParameterDumpReadsLikeSourceCode) {
  const char* ids[] = {"kThreshold", "kStart", "kMix", "kSteps", "kSwitch"};
  ASSERT_TRUE(plug.DumpPresetSrcCode(folder.Path("src.txt").c_str(), ids));
  EXPECT_EQ(ReadFileText(folder.Path("src.txt")),
            "  MakePresetFromNamedParams(\"name\", 5,\n"
            "    kThreshold, -6.500000,\n"
            "    kStart, 1000.000000,\n"
            "    kMix, 0.250000,\n"
            "    kSteps, -4,\n"
            "    kSwitch, true);\n");
  const char* someIds[] = {"kThreshold", nullptr, "kMix", "kSteps", "kSwitch"};
  plug.GetParam(4)->Set(0.49);
  ASSERT_TRUE(plug.DumpPresetSrcCode(folder.Path("src.txt").c_str(), someIds));
  EXPECT_NE(ReadFileText(folder.Path("src.txt")).find(",\n    1, 1000.000000,\n"), std::string::npos);
  EXPECT_NE(ReadFileText(folder.Path("src.txt")).find("kSwitch, false);\n"), std::string::npos);
}

TEST_F(DumpTest, BlobDumpsCarryTheChunkAndItsSize) {
  plug.MakePresetFromBlob("Zeros", "AAAAAA==", 4);
  ASSERT_TRUE(plug.DumpPresetBlob(folder.Path("blob.txt").c_str()));
  EXPECT_EQ(ReadFileText(folder.Path("blob.txt")), "MakePresetFromBlob(\"name\", \"AAAAAA==\", 4);\n");
  plug.MakePresetFromBlob("Say \"hi\" \\", "Zm9vYmFy", 6);
  ASSERT_TRUE(plug.DumpBankBlob(folder.Path("bank.txt").c_str()));
  EXPECT_EQ(ReadFileText(folder.Path("bank.txt")),
            "MakePresetFromBlob(\"Zeros\", \"AAAAAA==\", 4);\n"
            "MakePresetFromBlob(\"Say \\\"hi\\\" \\\\\", \"Zm9vYmFy\", 6);\n");
}

// 1000 bytes need 1336 characters, beyond what a kilobyte of text holds.
TEST_F(DumpTest, LongChunksAreEncodedWholeAndDecodeBack) {
  ByteChunk big;
  for (int i = 0; i < 1000; ++i) {
    const unsigned char b = static_cast<unsigned char>(i * 7);
    big.AppendValue(&b);
  }
  plug.MakePresetFromChunk("big", &big);
  ASSERT_TRUE(plug.DumpPresetBlob(folder.Path("big.txt").c_str()));
  const std::string text = ReadFileText(folder.Path("big.txt"));
  const std::string head = "MakePresetFromBlob(\"name\", \"";
  ASSERT_EQ(text.compare(0, head.size(), head), 0);
  const size_t end = text.find('"', head.size());
  EXPECT_EQ(end - head.size(), 1336u);
  EXPECT_EQ(text.substr(end), "\", 1000);\n");
  plug.MakePresetFromBlob("again", text.substr(head.size(), end - head.size()).c_str(), 1000);
  EXPECT_TRUE(plug.GetPreset(1)->mChunk.IsEqual(&big));
}

TEST_F(DumpTest, UnwritablePathsReportFalseAndLeaveNothing) {
  const std::string missing = folder.Path("no/such/file.txt");
  EXPECT_FALSE(plug.DumpPresetSrcCode(missing.c_str(), nullptr));
  EXPECT_FALSE(plug.DumpPresetBlob(missing.c_str()));
  EXPECT_FALSE(plug.DumpBankBlob(missing.c_str()));
  EXPECT_FALSE(plug.DumpBankBlob(nullptr));
  EXPECT_TRUE(folder.Entries().empty());
}
