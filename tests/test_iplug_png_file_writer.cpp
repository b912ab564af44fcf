// The PNG writer: what it encodes (read back with the raster library's decoder), and
// that every file goes through the atomic writer: the target is replaced whole or left
// as it was, failures are reported, and no temporary file is left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "IGraphicsHeadless.h"
#include "PngFileWriter.h"
#include "lice.h"
#include "temp_folder.h"

namespace {

// A picture whose pixels all differ: red and green follow the position, blue the row,
// alpha falls along the row.
std::unique_ptr<LICE_MemBitmap> Gradient(int w, int h) {
  std::unique_ptr<LICE_MemBitmap> bm(new LICE_MemBitmap(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bm->getBits()[y * bm->getRowSpan() + x] = LICE_RGBA(x * 7 & 255, y * 13 & 255, (x + y) & 255, 255 - (x & 127));
  return bm;
}

// Bottom row first in memory, as some surfaces are: the file still starts at the top.
class FlippedBitmap : public LICE_MemBitmap {
 public:
  using LICE_MemBitmap::LICE_MemBitmap;
  bool isFlipped() override { return true; }
};

LICE_pixel At(LICE_IBitmap* bm, int x, int y) { return bm->getBits()[y * bm->getRowSpan() + x]; }

std::unique_ptr<LICE_IBitmap> Load(const std::string& path) { return std::unique_ptr<LICE_IBitmap>(LICE_LoadPNG(path.c_str())); }

}  // namespace

// ---- What goes into the file ----------------------------------------------------------

TEST(PngFileWriter, RgbDropsTheAlphaAndKeepsEveryColour) {
  TempFolder dir;
  auto bm = Gradient(37, 11);
  ASSERT_TRUE(WriteBitmapPNGFile(bm.get(), dir.Path("a.png").c_str(), PngLayout()));
  auto back = Load(dir.Path("a.png"));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->getWidth(), 37);
  ASSERT_EQ(back->getHeight(), 11);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 37; ++x) {
      const LICE_pixel p = At(bm.get(), x, y);
      ASSERT_EQ(At(back.get(), x, y), LICE_RGBA(LICE_GETR(p), LICE_GETG(p), LICE_GETB(p), 255)) << x << "," << y;
    }
  // The headless backend's picture writer is this layout.
  ASSERT_TRUE(WriteBitmapPNG(bm.get(), dir.Path("b.png").c_str()));
  EXPECT_EQ(ReadFileBytes(dir.Path("a.png")), ReadFileBytes(dir.Path("b.png")));
}

TEST(PngFileWriter, RgbaKeepsTheAlphaAtEveryCompressionLevel) {
  TempFolder dir;
  auto bm = Gradient(64, 20);
  PngLayout layout;
  layout.withAlpha = true;
  std::vector<size_t> sizes;
  for (int level : {0, 9}) {
    layout.compressionLevel = level;
    const std::string path = dir.Path("l" + std::to_string(level) + ".png");
    ASSERT_TRUE(WriteBitmapPNGFile(bm.get(), path.c_str(), layout));
    sizes.push_back(ReadFileBytes(path).size());
    auto back = Load(path);
    ASSERT_NE(back, nullptr);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 64; ++x) ASSERT_EQ(At(back.get(), x, y), At(bm.get(), x, y)) << x << "," << y;
  }
  EXPECT_LT(sizes[1], sizes[0]) << "level 9 packs tighter than level 0";
  layout.compressionLevel = 10;
  EXPECT_FALSE(WriteBitmapPNGFile(bm.get(), dir.Path("bad.png").c_str(), layout));
  EXPECT_EQ(dir.Entries().size(), 2u) << "the refused level left no file";
}

TEST(PngFileWriter, AFlippedBitmapIsWrittenTopRowFirst) {
  TempFolder dir;
  FlippedBitmap bm(3, 2);
  for (int i = 0; i < 3; ++i) {
    bm.getBits()[i] = LICE_RGBA(200, 0, 0, 255);                    // the bottom row
    bm.getBits()[bm.getRowSpan() + i] = LICE_RGBA(0, 0, 200, 255);  // the top row
  }
  ASSERT_TRUE(WriteBitmapPNG(&bm, dir.Path("f.png").c_str()));
  auto back = Load(dir.Path("f.png"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(At(back.get(), 1, 0), LICE_RGBA(0, 0, 200, 255));
  EXPECT_EQ(At(back.get(), 1, 1), LICE_RGBA(200, 0, 0, 255));
}

// ---- How the file is written ----------------------------------------------------------

TEST(PngFileWriter, FailuresAreReportedAndLeaveNothingBehind) {
  TempFolder dir;
  auto bm = Gradient(8, 8);
  std::string error;
  EXPECT_FALSE(WriteBitmapPNGFile(bm.get(), dir.Path("missing/x.png").c_str(), PngLayout(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteBitmapPNGFile(bm.get(), nullptr, PngLayout(), &error));
  EXPECT_FALSE(WriteBitmapPNGFile(bm.get(), "", PngLayout(), &error));
  LICE_MemBitmap empty;
  EXPECT_FALSE(WriteBitmapPNGFile(&empty, dir.Path("empty.png").c_str(), PngLayout(), &error));
  EXPECT_FALSE(WriteBitmapPNGFile(nullptr, dir.Path("null.png").c_str(), PngLayout(), &error));
  // A folder in the picture's place stays a folder.
  ASSERT_EQ(mkdir(dir.Path("folder.png").c_str(), 0755), 0);
  EXPECT_FALSE(WriteBitmapPNGFile(bm.get(), dir.Path("folder.png").c_str(), PngLayout(), &error));
  struct stat st;
  ASSERT_EQ(stat(dir.Path("folder.png").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"folder.png"});
}

TEST(PngFileWriter, AFullDiskLeavesTheOldPictureWhole) {
  TempFolder dir;
  const std::string path = dir.Path("p.png");
  WriteFileText(path, "the old picture");
  auto big = Gradient(400, 300);  // far more than the limit below, even compressed
  {
    FileSizeLimit limit(1000);
    std::string error;
    EXPECT_FALSE(WriteBitmapPNGFile(big.get(), path.c_str(), PngLayout(), &error));
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(ReadFileText(path), "the old picture");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"p.png"});
}

TEST(PngFileWriter, ReplacingKeepsTheModeTheLinkAndWriteProtection) {
  TempFolder dir;
  auto bm = Gradient(5, 5);
  const std::string path = dir.Path("p.png");
  WriteFileText(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteBitmapPNG(bm.get(), path.c_str()));
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_NE(Load(path), nullptr);

  // A link keeps pointing at its picture, which gets the new bytes.
  ASSERT_EQ(symlink("p.png", dir.Path("link.png").c_str()), 0);
  auto other = Gradient(9, 3);
  ASSERT_TRUE(WriteBitmapPNG(other.get(), dir.Path("link.png").c_str()));
  ASSERT_EQ(lstat(dir.Path("link.png").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  auto back = Load(path);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->getWidth(), 9);

  // A write-protected picture is output like any other: replaced, its mode kept.
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ASSERT_TRUE(WriteBitmapPNG(bm.get(), path.c_str()));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  back = Load(path);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->getWidth(), 5);
  std::vector<std::string> entries = dir.Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"link.png", "p.png"}));
}

// A device is written as a stream, in place: a write error there is a failure, and the
// device node is never replaced by a file.
TEST(PngFileWriter, ADeviceIsWrittenInPlaceAndItsErrorsReported) {
  // A root without device nodes (or with /dev on a nodev mount) cannot run this.
  for (const char* dev : {"/dev/full", "/dev/null"}) {
    FILE* probe = fopen(dev, "wb");
    if (!probe) GTEST_SKIP() << dev << " cannot be opened here";
    fclose(probe);
  }
  auto bm = Gradient(16, 16);
  std::string error;
  EXPECT_FALSE(WriteBitmapPNGFile(bm.get(), "/dev/full", PngLayout(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(WriteBitmapPNGFile(bm.get(), "/dev/null", PngLayout(), &error)) << error;
  struct stat st;
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  // The encoder alone reports the same.
  FILE* full = fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  setvbuf(full, nullptr, _IONBF, 0);
  EXPECT_FALSE(EncodeBitmapPNG(bm.get(), full, PngLayout()));
  fclose(full);
  EXPECT_FALSE(EncodeBitmapPNG(bm.get(), nullptr, PngLayout()));
}
