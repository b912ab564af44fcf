// PNG decoding: small files of every colour type written here with libpng, and
// files that are missing, truncated, corrupt, enormous or not PNG at all.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "lice.h"
#include "png_test_writer.h"

namespace {

// Named per process: the suite's test programs run side by side (ctest -j), and so may
// another checkout's, all in the same temporary folder.
std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "lice_png_" + std::to_string(getpid()) + "_" + name;
}

// Writes the image description and decodes it into a new bitmap (owned by the caller).
LICE_IBitmap* RoundTrip(const std::string& name, PngImage& s) {
  const std::string path = TempPath(name);
  EXPECT_TRUE(WritePng(path, s));
  LICE_IBitmap* bm = LICE_LoadPNG(path.c_str());
  remove(path.c_str());
  return bm;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* fp = fopen(path.c_str(), "wb");
  ASSERT_NE(fp, nullptr);
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), fp);
  fclose(fp);
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::vector<unsigned char> out;
  FILE* fp = fopen(path.c_str(), "rb");
  if (!fp) return out;
  int c;
  while ((c = fgetc(fp)) != EOF) out.push_back((unsigned char)c);
  fclose(fp);
  return out;
}

// A small valid RGBA image used as the base for the corruption tests.
std::vector<unsigned char> ValidPngBytes() {
  PngImage s;
  s.width = 16;
  s.height = 16;
  s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  for (int y = 0; y < 16; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < 16; ++x) {
      row.push_back(png_byte(x * 16));
      row.push_back(png_byte(y * 16));
      row.push_back(png_byte(x ^ y));
      row.push_back(png_byte(255 - x));
    }
    s.rows.push_back(row);
  }
  const std::string path = TempPath("valid.png");
  WritePng(path, s);
  std::vector<unsigned char> bytes = ReadBytes(path);
  remove(path.c_str());
  return bytes;
}

LICE_IBitmap* LoadBytes(const std::string& name, const std::vector<unsigned char>& bytes) {
  const std::string path = TempPath(name);
  WriteBytes(path, bytes);
  LICE_IBitmap* bm = LICE_LoadPNG(path.c_str());
  remove(path.c_str());
  return bm;
}

// A bitmap that refuses every size.
class StubbornBitmap : public LICE_IBitmap {
 public:
  LICE_pixel* getBits() override { return nullptr; }
  int getWidth() override { return 0; }
  int getHeight() override { return 0; }
  int getRowSpan() override { return 0; }
  bool resize(int, int) override { return false; }
};

}  // namespace

// ---------------------------------------------------------------------------
// Colour types
// ---------------------------------------------------------------------------

// One-row images of every colour type and depth, with the pixels they must give.
TEST(LicePngDecode, EveryColourTypeBecomesAlphaFirstEightBit) {
  struct Case {
    const char* name;
    int colorType, bitDepth;
    std::vector<png_byte> row;
    std::vector<LICE_pixel> want;
    std::vector<png_byte> paletteAlpha = {};
    bool key = false;
    png_color_16 keyColour = {};
  };
  const png_byte P = PNG_COLOR_TYPE_PALETTE;
  const Case cases[] = {
      {"rgb", PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 7, 8, 9},
       {LICE_RGBA(10, 20, 30, 255), LICE_RGBA(7, 8, 9, 255)}},
      {"rgba", PNG_COLOR_TYPE_RGB_ALPHA, 8, {10, 20, 30, 0, 40, 50, 60, 128},
       {LICE_RGBA(10, 20, 30, 0), LICE_RGBA(40, 50, 60, 128)}},
      {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, {0x12, 0x34, 0xab, 0xcd, 0xff, 0xff, 0x80, 0},
       {LICE_RGBA(0x12, 0xab, 0xff, 0x80)}},
      {"rgb16", PNG_COLOR_TYPE_RGB, 16, {1, 0xff, 2, 0xff, 3, 0xff}, {LICE_RGBA(1, 2, 3, 255)}},
      {"grey", PNG_COLOR_TYPE_GRAY, 8, {0, 200},
       {LICE_RGBA(0, 0, 0, 255), LICE_RGBA(200, 200, 200, 255)}},
      {"grey16", PNG_COLOR_TYPE_GRAY, 16, {0x77, 0x01}, {LICE_RGBA(0x77, 0x77, 0x77, 255)}},
      {"grey1", PNG_COLOR_TYPE_GRAY, 1, {0xb0},
       {LICE_RGBA(255, 255, 255, 255), LICE_RGBA(0, 0, 0, 255), LICE_RGBA(255, 255, 255, 255)}},
      {"grey2", PNG_COLOR_TYPE_GRAY, 2, {0x1b},
       {LICE_RGBA(0, 0, 0, 255), LICE_RGBA(85, 85, 85, 255), LICE_RGBA(170, 170, 170, 255),
        LICE_RGBA(255, 255, 255, 255)}},
      {"grey4", PNG_COLOR_TYPE_GRAY, 4, {0x0f},
       {LICE_RGBA(0, 0, 0, 255), LICE_RGBA(255, 255, 255, 255)}},
      {"greyalpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, {90, 33}, {LICE_RGBA(90, 90, 90, 33)}},
      {"greyalpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, {90, 0, 33, 0}, {LICE_RGBA(90, 90, 90, 33)}},
      {"greykey", PNG_COLOR_TYPE_GRAY, 8, {7, 8},
       {LICE_RGBA(7, 7, 7, 0), LICE_RGBA(8, 8, 8, 255)}, {}, true, {0, 0, 0, 0, 7}},
      {"rgbkey", PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6},
       {LICE_RGBA(1, 2, 3, 255), LICE_RGBA(4, 5, 6, 0)}, {}, true, {0, 4, 5, 6, 0}},
      {"palette", P, 8, {2, 0, 1},
       {LICE_RGBA(0, 0, 255, 255), LICE_RGBA(255, 0, 0, 255), LICE_RGBA(0, 255, 0, 255)}},
      {"palette_trns", P, 8, {2, 0, 1},  // entry 2 has no alpha given: opaque
       {LICE_RGBA(0, 0, 255, 255), LICE_RGBA(255, 0, 0, 10), LICE_RGBA(0, 255, 0, 20)},
       {10, 20}},
      {"palette4", P, 4, {0x21, 0x00},
       {LICE_RGBA(0, 0, 255, 255), LICE_RGBA(0, 255, 0, 255), LICE_RGBA(255, 0, 0, 255)}},
      // Keys on grey below 8 bits are in the image's own depth; 16-bit keys must match all
      // 16 bits, before the samples are cut to 8.
      {"grey1key", PNG_COLOR_TYPE_GRAY, 1, {0xb0}, {0, LICE_RGBA(0, 0, 0, 255), 0}, {}, true, {0, 0, 0, 0, 1}},
      {"grey2key", PNG_COLOR_TYPE_GRAY, 2, {0x1b},
       {LICE_RGBA(0, 0, 0, 255), LICE_RGBA(85, 85, 85, 255), 0, LICE_RGBA(255, 255, 255, 255)}, {}, true,
       {0, 0, 0, 0, 2}},
      {"grey4key", PNG_COLOR_TYPE_GRAY, 4, {0x0f, 0x50}, {LICE_RGBA(0, 0, 0, 255), 0, LICE_RGBA(85, 85, 85, 255)},
       {}, true, {0, 0, 0, 0, 15}},
      {"grey16key", PNG_COLOR_TYPE_GRAY, 16, {0x77, 0x01, 0x77, 0x02, 0xff, 0xff},
       {0, LICE_RGBA(0x77, 0x77, 0x77, 255), LICE_RGBA(255, 255, 255, 255)}, {}, true, {0, 0, 0, 0, 0x7701}},
      {"rgb16key", PNG_COLOR_TYPE_RGB, 16, {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 7, 0xff, 0xff, 0, 0, 0x80, 0x80},
       {0, LICE_RGBA(1, 3, 5, 255), LICE_RGBA(255, 0, 0x80, 255)}, {}, true, {0, 0x0102, 0x0304, 0x0506, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PngImage s;
    s.width = int(c.want.size());
    s.height = 1;
    s.colorType = c.colorType;
    s.bitDepth = c.bitDepth;
    if (c.colorType == P) s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    s.paletteAlpha = c.paletteAlpha;
    s.greyOrRgbKey = c.key;
    s.key = c.keyColour;
    s.rows = {c.row};
    LICE_IBitmap* bm = RoundTrip(std::string(c.name) + ".png", s);
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(bm->getWidth(), s.width);
    EXPECT_EQ(bm->getHeight(), 1);
    for (int x = 0; x < s.width; ++x) {
      const LICE_pixel got = LICE_GetPixel(bm, x, 0);
      // A fully transparent key pixel only has to be transparent.
      if (LICE_GETA(c.want[x]) == 0 && c.key)
        EXPECT_EQ(LICE_GETA(got), 0) << x;
      else
        EXPECT_EQ(got, c.want[x]) << x;
    }
    delete bm;
  }
}

// Several rows of a 1-bit image whose width is not a whole number of bytes: each row
// starts on its own byte, and the key (0) clears the black pixels.
TEST(LicePngDecode, LowDepthKeyedRowsStartOnTheirOwnByte) {
  PngImage s;
  s.width = 10;
  s.height = 2;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.bitDepth = 1;
  s.greyOrRgbKey = true;
  s.key = {0, 0, 0, 0, 0};
  s.rows = {{0xaa, 0xc0}, {0x55, 0x40}};  // 1010101011 and 0101010101
  std::unique_ptr<LICE_IBitmap> bm(RoundTrip("grey1rows.png", s));
  ASSERT_NE(bm, nullptr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool white = y == 0 ? (x % 2 == 0 || x == 9) : (x % 2 == 1);
      const LICE_pixel got = LICE_GetPixel(bm.get(), x, y);
      if (white)
        EXPECT_EQ(got, LICE_RGBA(255, 255, 255, 255)) << x << "," << y;
      else
        EXPECT_EQ(LICE_GETA(got), 0) << x << "," << y;
    }
}

TEST(LicePngDecode, InterlacedImageMatchesItsPixels) {
  PngImage s;
  s.width = 9;
  s.height = 7;
  s.interlaced = true;
  for (int y = 0; y < 7; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < 9; ++x) {
      row.push_back(png_byte(x * 20));
      row.push_back(png_byte(y * 30));
      row.push_back(png_byte(x + y));
    }
    s.rows.push_back(row);
  }
  LICE_IBitmap* bm = RoundTrip("interlaced.png", s);
  ASSERT_NE(bm, nullptr);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      ASSERT_EQ(LICE_GetPixel(bm, x, y), LICE_RGBA(x * 20, y * 30, x + y, 255)) << x << "," << y;
  delete bm;
}

TEST(LicePngDecode, IntoExistingBitmapResizesIt) {
  PngImage s;
  s.width = 5;
  s.height = 3;
  for (int y = 0; y < 3; ++y) s.rows.push_back(std::vector<png_byte>(15, png_byte(y)));
  const std::string path = TempPath("into.png");
  ASSERT_TRUE(WritePng(path, s));
  LICE_MemBitmap target(50, 50);
  EXPECT_EQ(LICE_LoadPNG(path.c_str(), &target), &target);
  EXPECT_EQ(target.getWidth(), 5);
  EXPECT_EQ(target.getRowSpan(), 8);  // rows keep their alignment
  EXPECT_EQ(LICE_GetPixel(&target, 4, 2), LICE_RGBA(2, 2, 2, 255));
  LICE_SysBitmap sys;
  EXPECT_EQ(LICE_LoadPNG(path.c_str(), &sys), &sys);
  EXPECT_EQ(LICE_GetPixel(&sys, 4, 2), LICE_RGBA(2, 2, 2, 255));
  StubbornBitmap stubborn;
  EXPECT_EQ(LICE_LoadPNG(path.c_str(), &stubborn), nullptr);
  remove(path.c_str());
}

TEST(LicePngDecode, LongSidesAndLargeTextChunksAreFine) {
  // A tall film strip: one side far beyond any screen, few pixels in all.
  PngImage strip;
  strip.width = 2;
  strip.height = 40000;
  for (int y = 0; y < strip.height; ++y)
    strip.rows.push_back({png_byte(y), png_byte(y >> 8), 7, png_byte(y), png_byte(y >> 8), 9});
  LICE_IBitmap* bm = RoundTrip("strip.png", strip);
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(bm->getHeight(), 40000);
  EXPECT_EQ(LICE_GetPixel(bm, 1, 39999), LICE_RGBA(39999 & 0xff, 39999 >> 8, 9, 255));
  delete bm;
  // A few megabytes of comment ahead of the pixels do not stop the decoder.
  PngImage chatty;
  chatty.width = 1;
  chatty.height = 1;
  chatty.rows.push_back({1, 2, 3});
  chatty.comment.assign(5u << 20, 'x');
  bm = RoundTrip("chatty.png", chatty);
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(LICE_GetPixel(bm, 0, 0), LICE_RGBA(1, 2, 3, 255));
  delete bm;
}

// ---------------------------------------------------------------------------
// Bad input
// ---------------------------------------------------------------------------

TEST(LicePngBadInput, MissingFileAndNullPath) {
  EXPECT_EQ(LICE_LoadPNG(TempPath("does-not-exist.png").c_str()), nullptr);
  EXPECT_EQ(LICE_LoadPNG(nullptr), nullptr);
  EXPECT_EQ(LICE_LoadPNG(""), nullptr);
  EXPECT_EQ(LICE_LoadPNG(::testing::TempDir().c_str()), nullptr);  // a directory
}

TEST(LicePngBadInput, NotAPng) {
  EXPECT_EQ(LoadBytes("text.png", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}), nullptr);
  EXPECT_EQ(LoadBytes("empty.png", {}), nullptr);
  EXPECT_EQ(LoadBytes("short.png", {0x89, 'P', 'N'}), nullptr);
}

TEST(LicePngBadInput, TruncatedAtEveryLength) {
  const std::vector<unsigned char> valid = ValidPngBytes();
  ASSERT_GT(valid.size(), 60u);
  LICE_IBitmap* whole = LoadBytes("whole.png", valid);
  ASSERT_NE(whole, nullptr);
  delete whole;
  for (size_t len = 0; len < valid.size() - 12; ++len) {  // anything short of IEND
    std::vector<unsigned char> cut(valid.begin(), valid.begin() + long(len));
    LICE_IBitmap* bm = LoadBytes("cut.png", cut);
    EXPECT_EQ(bm, nullptr) << len;
    delete bm;
  }
}

TEST(LicePngBadInput, CorruptBytesNeverCrash) {
  const std::vector<unsigned char> valid = ValidPngBytes();
  int decoded = 0;
  for (size_t i = 8; i < valid.size(); ++i) {
    std::vector<unsigned char> bad = valid;
    bad[i] ^= 0x5a;
    LICE_IBitmap* bm = LoadBytes("corrupt.png", bad);
    decoded += bm != nullptr;
    delete bm;
  }
  // A flipped byte almost always breaks a CRC or the compressed stream.
  EXPECT_LT(decoded, int(valid.size()) / 4);
}

TEST(LicePngBadInput, EnormousDimensionsAreRefusedWithoutAllocating) {
  // Header of a 60000 x 60000 RGBA image (14 GB of pixels) followed by nothing.
  PngImage s;
  s.width = 60000;
  s.height = 60000;
  s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  const std::string path = TempPath("huge.png");
  {
    FILE* fp = fopen(path.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, fp);
    png_set_IHDR(png, info, s.width, s.height, 8, s.colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_flush(png);
    png_destroy_write_struct(&png, &info);
    fclose(fp);
  }
  LICE_MemBitmap target(2, 2);
  EXPECT_EQ(LICE_LoadPNG(path.c_str(), &target), nullptr);
  EXPECT_EQ(target.getWidth(), 2);  // refused before the bitmap was touched
  EXPECT_EQ(LICE_LoadPNG(path.c_str()), nullptr);
  remove(path.c_str());
}

// The peak resident memory, in kilobytes, that decoding bytes from memory adds to a child
// process (so that the measure is not spoiled by the rest of the suite); -1 on failure.
long DecodePeakGrowthKb(const std::vector<unsigned char>& bytes) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    LICE_IBitmap* bm = LICE_LoadPNGFromMemory(bytes.data(), bytes.size());
    getrusage(RUSAGE_SELF, &after);
    const long growthMb = (after.ru_maxrss - before.ru_maxrss) / 1024;
    _exit(bm ? 255 : int(growthMb > 250 ? 250 : growthMb));
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : long(WEXITSTATUS(status)) * 1024;
}

TEST(LicePngBadInput, ChunkLengthsClaimingGigabytesAreNotAllocated) {
  // A valid header, then a text, profile or palette-suggestion chunk that claims
  // almost 2 GB and ends with the file: a few dozen bytes must not cost that memory.
  const std::vector<unsigned char> valid = ValidPngBytes();
  const std::vector<unsigned char> head(valid.begin(), valid.begin() + 33);  // signature and IHDR
  ASSERT_EQ(memcmp(&head[12], "IHDR", 4), 0);
  for (const char* type : {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "eXIf"}) {
    std::vector<unsigned char> bytes = head;
    const uint32_t length = 0x7ff00000u;
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back((unsigned char)(length >> shift));
    bytes.insert(bytes.end(), type, type + 4);
    bytes.insert(bytes.end(), {'a', 0, 'b', 'c'});
    const long growthKb = DecodePeakGrowthKb(bytes);
    ASSERT_GE(growthKb, 0) << type;  // refused, in a child that ended normally
    EXPECT_LT(growthKb, 64 * 1024) << type;
  }
}
