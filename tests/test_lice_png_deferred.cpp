// Opening a PNG without decoding it: the size at once and the pixels at the first read,
// the same pixels an immediate decode gives; what the decoder refuses before inflating
// refused at once and the rest at the first read; one decode however many threads read.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lice.h"
#include "png_test_writer.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "lice_png_deferred_" + std::to_string(getpid()) + "_" + name;
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Encode(PngImage& s) {
  const std::string path = TempPath("encode.png");
  EXPECT_TRUE(WritePng(path, s));
  Bytes bytes = ReadBytes(path);
  remove(path.c_str());
  return bytes;
}

// RGBA with a text chunk (an ancillary chunk before the image data).
Bytes RgbaWithComment(int w, int h) {
  PngImage s;
  s.width = w;
  s.height = h;
  s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  s.comment = "knob";
  for (int y = 0; y < h; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < w; ++x) row.insert(row.end(), {png_byte(x * 37), png_byte(y * 23), png_byte(x ^ y), png_byte(200 + x)});
    s.rows.push_back(row);
  }
  return Encode(s);
}

// An interlaced palette image with transparent entries.
Bytes InterlacedPalette() {
  PngImage s;
  s.width = 13;
  s.height = 7;
  s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.interlaced = true;
  for (int i = 0; i < 5; ++i) s.palette.push_back(png_color{png_byte(50 * i), png_byte(255 - 40 * i), png_byte(9 * i)});
  s.paletteAlpha = {0, 128, 255};
  for (int y = 0; y < s.height; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < s.width; ++x) row.push_back(png_byte((x + y) % 5));
    s.rows.push_back(row);
  }
  return Encode(s);
}

// 16-bit grey, whose bytes are stripped to 8.
Bytes Grey16() {
  PngImage s;
  s.width = 5;
  s.height = 9;
  s.colorType = PNG_COLOR_TYPE_GRAY;
  s.bitDepth = 16;
  for (int y = 0; y < s.height; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < s.width; ++x) row.insert(row.end(), {png_byte(x * 50 + y), png_byte(y * 17)});
    s.rows.push_back(row);
  }
  return Encode(s);
}

// A bitmap's pixels row by row, empty when it has none (or there is no bitmap).
std::vector<LICE_pixel> PixelsOf(LICE_IBitmap* bm) {
  std::vector<LICE_pixel> out;
  if (!bm || !bm->getBits()) return out;
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x) out.push_back(LICE_GetPixel(bm, x, y));
  return out;
}

int State(LICE_IBitmap* bm) { return int(bm->Extended(LICE_EXT_PNG_STATE, nullptr)); }

struct Chunk {
  size_t pos;  // of the length field
  uint32_t length;
  std::string type;
};

std::vector<Chunk> Chunks(const Bytes& png) {
  std::vector<Chunk> out;
  for (size_t pos = 8; pos + 12 <= png.size();) {
    const uint32_t length = uint32_t(png[pos]) << 24 | uint32_t(png[pos + 1]) << 16 | uint32_t(png[pos + 2]) << 8 | png[pos + 3];
    out.push_back(Chunk{pos, length, std::string(png.begin() + long(pos) + 4, png.begin() + long(pos) + 8)});
    pos += 12 + size_t(length);
  }
  return out;
}

// Recomputes the checksum of the chunk whose type or data holds byte i (if any).
void FixChecksumAround(Bytes* png, size_t i) {
  for (const Chunk& c : Chunks(*png)) {
    if (i < c.pos + 4 || i >= c.pos + 8 + c.length || c.pos + 12 + c.length > png->size()) continue;
    const uint32_t crc = uint32_t(crc32(0, png->data() + c.pos + 4, uInt(4 + c.length)));
    for (int k = 0; k < 4; ++k) (*png)[c.pos + 8 + c.length + size_t(k)] = (unsigned char)(crc >> (24 - 8 * k));
  }
}

TEST(LicePngDeferred, SizeIsKnownBeforeThePixelsWhichMatchAnImmediateDecode) {
  for (const Bytes& png : {RgbaWithComment(16, 12), InterlacedPalette(), Grey16()}) {
    std::unique_ptr<LICE_IBitmap> eager(LICE_LoadPNGFromMemory(png.data(), png.size()));
    ASSERT_TRUE(eager);
    std::unique_ptr<LICE_IBitmap> lazy(LICE_OpenPNGFromMemory(png.data(), png.size()));
    ASSERT_TRUE(lazy);
    EXPECT_EQ(State(lazy.get()), LICE_PNG_PENDING);
    EXPECT_EQ(lazy->getWidth(), eager->getWidth());
    EXPECT_EQ(lazy->getHeight(), eager->getHeight());
    EXPECT_EQ(State(lazy.get()), LICE_PNG_PENDING) << "asking the size decodes nothing";
    EXPECT_GE(lazy->getRowSpan(), lazy->getWidth());  // the first read
    EXPECT_EQ(State(lazy.get()), LICE_PNG_DECODED);
    EXPECT_EQ(PixelsOf(lazy.get()), PixelsOf(eager.get()));
    EXPECT_FALSE(lazy->isFlipped());
    std::unique_ptr<LICE_IBitmap> unread(LICE_OpenPNGFromMemory(png.data(), png.size()));
    LICE_MemBitmap copy;
    LICE_Copy(&copy, unread.get());
    EXPECT_EQ(PixelsOf(&copy), PixelsOf(eager.get()));
  }
  LICE_MemBitmap plain(2, 2);
  EXPECT_EQ(State(&plain), 0) << "other bitmaps know nothing of it";
}

TEST(LicePngDeferred, KeepsItsOwnCopySoTheSourceMayGoAway) {
  const Bytes png = RgbaWithComment(9, 4);
  std::unique_ptr<LICE_IBitmap> eager(LICE_LoadPNGFromMemory(png.data(), png.size()));
  Bytes buffer = png;
  std::unique_ptr<LICE_IBitmap> fromMemory(LICE_OpenPNGFromMemory(buffer.data(), buffer.size()));
  std::fill(buffer.begin(), buffer.end(), 0);
  buffer.clear();
  buffer.shrink_to_fit();
  ASSERT_TRUE(fromMemory);
  EXPECT_EQ(PixelsOf(fromMemory.get()), PixelsOf(eager.get()));

  const std::string path = TempPath("gone.png");
  WriteBytes(path, png);
  std::unique_ptr<LICE_IBitmap> fromFile(LICE_OpenPNG(path.c_str()));
  ASSERT_TRUE(fromFile);
  WriteBytes(path, RgbaWithComment(3, 3));  // replaced, then removed
  remove(path.c_str());
  EXPECT_EQ(fromFile->getWidth(), 9);
  EXPECT_EQ(PixelsOf(fromFile.get()), PixelsOf(eager.get()));
}

TEST(LicePngDeferred, RefusesAtOnceWhatTheDecoderRefusesBeforeInflating) {
  const Bytes png = RgbaWithComment(16, 12);
  std::vector<std::pair<std::string, Bytes>> bad;
  for (size_t len = 0; len < png.size(); ++len) bad.emplace_back("first " + std::to_string(len) + " bytes", Bytes(png.begin(), png.begin() + long(len)));
  Bytes text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '\n'};
  bad.emplace_back("text", text);
  // A checksum error in the image data (a critical chunk).
  const std::vector<Chunk> chunks = Chunks(png);
  for (const Chunk& c : chunks)
    if (c.type == "IDAT") {
      Bytes flipped = png;
      flipped[c.pos + 8 + c.length / 2] ^= 0x10;
      bad.emplace_back("image data checksum", flipped);
    }
  // An end chunk before any image data.
  Bytes early(png.begin(), png.begin() + long(chunks[1].pos));
  early.insert(early.end(), png.end() - 12, png.end());
  bad.emplace_back("no image data", early);
  // A header claiming more pixels than the decoder takes.
  Bytes huge = png;
  huge[16] = 0x7f;  // width's top byte
  FixChecksumAround(&huge, 16);
  bad.emplace_back("enormous", huge);

  for (const auto& [what, bytes] : bad) {
    SCOPED_TRACE(what);
    EXPECT_EQ(LICE_LoadPNGFromMemory(bytes.data(), bytes.size()), nullptr) << "the decoder refuses it too";
    EXPECT_EQ(LICE_OpenPNGFromMemory(bytes.data(), bytes.size()), nullptr);
    const std::string path = TempPath("bad.png");
    WriteBytes(path, bytes);
    EXPECT_EQ(LICE_OpenPNG(path.c_str()), nullptr);
    remove(path.c_str());
  }
  EXPECT_EQ(LICE_OpenPNGFromMemory(nullptr, 100), nullptr);
  EXPECT_EQ(LICE_OpenPNG(nullptr), nullptr);
  EXPECT_EQ(LICE_OpenPNG(""), nullptr);
  EXPECT_EQ(LICE_OpenPNG(TempPath("missing.png").c_str()), nullptr);
  EXPECT_EQ(LICE_OpenPNG(::testing::TempDir().c_str()), nullptr);  // a folder
}

TEST(LicePngDeferred, DamageOnlyInflatingFindsShowsAtTheFirstReadAsNoPixels) {
  Bytes png = RgbaWithComment(16, 12);
  for (const Chunk& c : Chunks(png))
    if (c.type == "IDAT") {
      // Garbage in the compressed stream behind a valid checksum.
      for (uint32_t k = 2; k < c.length; ++k) png[c.pos + 8 + k] = (unsigned char)(0xff - k);
      FixChecksumAround(&png, c.pos + 8);
    }
  EXPECT_EQ(LICE_LoadPNGFromMemory(png.data(), png.size()), nullptr);
  std::unique_ptr<LICE_IBitmap> lazy(LICE_OpenPNGFromMemory(png.data(), png.size()));
  ASSERT_TRUE(lazy) << "nothing is wrong before inflating";
  EXPECT_EQ(lazy->getWidth(), 16);
  EXPECT_EQ(lazy->getHeight(), 12);

  LICE_MemBitmap dest(20, 20);
  LICE_FillRect(&dest, 0, 0, 20, 20, LICE_RGBA(1, 2, 3, 255), 1.0f, LICE_BLIT_MODE_COPY);
  LICE_Blit(&dest, lazy.get(), 0, 0, 0, 0, 16, 12, 1.0f, LICE_BLIT_MODE_COPY);
  EXPECT_EQ(State(lazy.get()), LICE_PNG_FAILED);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(LICE_GetPixel(&dest, x, y), LICE_RGBA(1, 2, 3, 255)) << x << "," << y;
  EXPECT_EQ(lazy->getBits(), nullptr);
  EXPECT_EQ(lazy->getWidth(), 0);
  EXPECT_EQ(lazy->getHeight(), 0);
  EXPECT_EQ(lazy->getRowSpan(), 0);
  EXPECT_FALSE(lazy->resize(4, 4));
  EXPECT_EQ(State(lazy.get()), LICE_PNG_FAILED) << "no second attempt";

  // A copy of one not read before takes its final size: none, not the header's.
  std::unique_ptr<LICE_IBitmap> unread(LICE_OpenPNGFromMemory(png.data(), png.size()));
  LICE_MemBitmap copy(3, 3);
  LICE_Copy(&copy, unread.get());
  EXPECT_EQ(copy.getWidth(), 0);
  EXPECT_EQ(copy.getHeight(), 0);
}

// Every byte of a small image damaged in turn, as it stands and with its chunk's
// checksum made right again (which lets the damage reach the inflater): the deferred
// bitmap ends with exactly what the immediate decode gives, no image or the same pixels.
TEST(LicePngDeferred, EveryOneByteDamageEndsAsTheImmediateDecodeEnds) {
  const Bytes png = RgbaWithComment(6, 5);
  int refusedAtOnce = 0, failedAtRead = 0, decoded = 0;
  for (size_t i = 8; i < png.size(); ++i)
    for (unsigned char mask : {0x01, 0x20, 0x80})
      for (bool fix : {false, true}) {
        Bytes bytes = png;
        bytes[i] ^= mask;
        if (fix) FixChecksumAround(&bytes, i);
        std::unique_ptr<LICE_IBitmap> eager(LICE_LoadPNGFromMemory(bytes.data(), bytes.size()));
        std::unique_ptr<LICE_IBitmap> lazy(LICE_OpenPNGFromMemory(bytes.data(), bytes.size()));
        if (!lazy) {
          ++refusedAtOnce;
          EXPECT_EQ(eager, nullptr) << "byte " << i << " ^ " << int(mask) << (fix ? ", checksum fixed" : "");
          continue;
        }
        const std::vector<LICE_pixel> pixels = PixelsOf(lazy.get());
        if (pixels.empty()) {
          ++failedAtRead;
          EXPECT_EQ(eager, nullptr) << "byte " << i << " ^ " << int(mask) << (fix ? ", checksum fixed" : "");
          continue;
        }
        ++decoded;
        ASSERT_NE(eager, nullptr) << "byte " << i << " ^ " << int(mask) << (fix ? ", checksum fixed" : "");
        EXPECT_EQ(pixels, PixelsOf(eager.get())) << "byte " << i << " ^ " << int(mask);
      }
  // Each way out is taken, or the comparison above proves little.
  EXPECT_GT(refusedAtOnce, 0);
  EXPECT_GT(failedAtRead, 0);
  EXPECT_GT(decoded, 0);
}

TEST(LicePngDeferred, ThreadsReadingAtOnceShareOneDecode) {
  const Bytes png = RgbaWithComment(64, 48);
  std::unique_ptr<LICE_IBitmap> eager(LICE_LoadPNGFromMemory(png.data(), png.size()));
  for (int round = 0; round < 20; ++round) {
    std::unique_ptr<LICE_IBitmap> lazy(LICE_OpenPNGFromMemory(png.data(), png.size()));
    ASSERT_TRUE(lazy);
    constexpr int kThreads = 4;
    std::atomic<int> ready{0};
    std::vector<LICE_pixel*> bits(kThreads);
    std::vector<int> widths(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        ready.fetch_add(1);
        while (ready.load() < kThreads) std::this_thread::yield();
        // Some read the size while others decode.
        widths[t] = lazy->getWidth();
        if (t % 2) bits[t] = lazy->getBits();
        else {
          LICE_MemBitmap dest(64, 48);
          LICE_Blit(&dest, lazy.get(), 0, 0, 0, 0, 64, 48, 1.0f, LICE_BLIT_MODE_COPY);
          bits[t] = lazy->getBits();
        }
      });
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) {
      EXPECT_EQ(widths[t], 64);
      ASSERT_NE(bits[t], nullptr);
      EXPECT_EQ(bits[t], bits[0]) << "one decoded image for all";
    }
    EXPECT_EQ(PixelsOf(lazy.get()), PixelsOf(eager.get()));
  }
}

}  // namespace
