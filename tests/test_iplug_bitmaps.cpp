// Image resources and the process-wide bitmap cache: loading from a folder and from
// the embedded table, images that cannot be decoded, scaling, cropping, retaining and
// releasing, flushing, and loading from several threads at once; images are decoded
// at their first draw, not when loaded.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "IGraphicsResources.h"
#include "editor_test_canvas.h"
#include "png_test_writer.h"

namespace {

// An opaque RGB image of one colour.
bool WriteSolidPng(const std::string& path, int w, int h, png_byte r, png_byte g, png_byte b) {
  PngImage img;
  img.width = w;
  img.height = h;
  img.colorType = PNG_COLOR_TYPE_RGB;
  for (int y = 0; y < h; ++y) {
    std::vector<png_byte> row(size_t(w) * 3);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = r;
      row[3 * x + 1] = g;
      row[3 * x + 2] = b;
    }
    img.rows.push_back(row);
  }
  return WritePng(path, img);
}

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A PNG that is only a signature, a header claiming width x height, and an end chunk:
// a decoder that trusted the header would ask for width * height * 4 bytes.
std::vector<unsigned char> HeaderOnlyPng(uint32_t width, uint32_t height) {
  std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  auto be32 = [&](std::vector<unsigned char>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back((unsigned char)(x >> s));
  };
  auto chunk = [&](const char* type, const std::vector<unsigned char>& data) {
    be32(out, uint32_t(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    be32(out, uint32_t(crc32(0, body.data(), uInt(body.size()))));
  };
  std::vector<unsigned char> ihdr;
  be32(ihdr, width);
  be32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  chunk("IHDR", ihdr);
  chunk("IEND", {});
  return out;
}

class BitmapCache : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = TestOutputDir() + "/bitmaps";
    mkdir(dir.c_str(), 0755);
    SetResourceFolder(dir.c_str());
  }
  void TearDown() override { SetResourceFolder(nullptr); }
  std::string Path(const char* name) const { return dir + "/" + name; }

  std::string dir;
};

TEST_F(BitmapCache, DecodesOnceAndSharesTheBitmapBetweenEditors) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_red.png"), 6, 4, 255, 0, 0));
  TestCanvas a, b;
  IBitmap first = a.gfx.LoadIBitmap(9001, "tg_red.png", 2, true);
  ASSERT_NE(first.mData, nullptr);
  EXPECT_EQ(first.W, 6);
  EXPECT_EQ(first.H, 4);
  EXPECT_EQ(first.N, 2);
  EXPECT_TRUE(first.mFramesAreHorizontal);
  EXPECT_EQ(LICE_GetPixel(first.mData, 5, 3), Opaque(255, 0, 0));
  EXPECT_EQ(a.gfx.NBitmapLoads(), 1);
  // Another editor (and another frame layout) finds the cached bitmap.
  IBitmap again = b.gfx.LoadIBitmap(9001, "tg_red.png", 1);
  EXPECT_EQ(again.mData, first.mData);
  EXPECT_EQ(again.N, 1);
  EXPECT_FALSE(again.mFramesAreHorizontal);
  EXPECT_EQ(b.gfx.NBitmapLoads(), 0);
  // Flushing empties the cache: the next load decodes again.
  IGraphics::FlushIBitmap();
  IBitmap reloaded = b.gfx.LoadIBitmap(9001, "tg_red.png");
  EXPECT_EQ(b.gfx.NBitmapLoads(), 1);
  EXPECT_EQ(LICE_GetPixel(reloaded.mData, 0, 0), Opaque(255, 0, 0));
}

TEST_F(BitmapCache, ResourceNamesResolveBelowTheFolderAndByLastComponent) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_green.png"), 3, 3, 0, 255, 0));
  TestCanvas c;
  IBitmap byPath = c.gfx.LoadIBitmap(9002, "resources/img/tg_green.png");
  ASSERT_NE(byPath.mData, nullptr);
  EXPECT_EQ(LICE_GetPixel(byPath.mData, 1, 1), Opaque(0, 255, 0));
  IBitmap absolute = c.gfx.LoadIBitmap(9003, Path("tg_green.png").c_str());
  EXPECT_NE(absolute.mData, nullptr);
  SetResourceFolder(nullptr);
  IBitmap noFolder = c.gfx.LoadIBitmap(9004, "tg_green.png");
  EXPECT_EQ(noFolder.mData, nullptr);
}

TEST_F(BitmapCache, EmbeddedImagesComeFirstByIdThenByName) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_emb.png"), 2, 2, 0, 0, 255));
  ASSERT_TRUE(WriteSolidPng(Path("tg_file.png"), 2, 2, 9, 9, 9));
  static std::vector<unsigned char> bytes;  // outlives the registration
  bytes = ReadFile(Path("tg_emb.png"));
  ASSERT_TRUE(RegisterEmbeddedResource(9010, "tg_file.png", bytes.data(), bytes.size()));
  ASSERT_TRUE(RegisterEmbeddedResource(-1, "tg_only_by_name.png", bytes.data(), bytes.size()));
  EXPECT_FALSE(RegisterEmbeddedResource(9011, "x", nullptr, 10));
  EXPECT_FALSE(RegisterEmbeddedResource(9011, "x", bytes.data(), 0));
  EXPECT_FALSE(RegisterEmbeddedResource(-1, nullptr, bytes.data(), bytes.size()));
  TestCanvas c;
  IBitmap byId = c.gfx.LoadIBitmap(9010, "tg_file.png");  // the table beats the folder
  ASSERT_NE(byId.mData, nullptr);
  EXPECT_EQ(LICE_GetPixel(byId.mData, 0, 0), Opaque(0, 0, 255));
  IBitmap byName = c.gfx.LoadIBitmap(9012, "tg_only_by_name.png");
  ASSERT_NE(byName.mData, nullptr);
  UnregisterEmbeddedResource(9010, "tg_only_by_name.png");
  IGraphics::FlushIBitmap();
  IBitmap fromFile = c.gfx.LoadIBitmap(9010, "tg_file.png");
  EXPECT_EQ(LICE_GetPixel(fromFile.mData, 0, 0), Opaque(9, 9, 9));
  EXPECT_EQ(c.gfx.LoadIBitmap(9012, "tg_only_by_name.png").mData, nullptr);
}

TEST_F(BitmapCache, ImagesThatCannotBeDecodedGiveAnEmptyHandleThatDrawsNothing) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_whole.png"), 40, 40, 255, 255, 255));
  std::vector<unsigned char> whole = ReadFile(Path("tg_whole.png"));
  WriteFile(Path("tg_truncated.png"), std::vector<unsigned char>(whole.begin(), whole.begin() + long(whole.size() / 2)));
  WriteFile(Path("tg_text.png"), std::vector<unsigned char>{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '\n'});
  WriteFile(Path("tg_enormous.png"), HeaderOnlyPng(100000, 100000));
  WriteFile(Path("tg_empty.png"), {});

  TestCanvas c;
  int id = 9020;
  for (const char* name : {"tg_missing.png", "tg_truncated.png", "tg_text.png", "tg_enormous.png",
                           "tg_empty.png", "", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(name ? name : "(null)");
    IBitmap bm = c.gfx.LoadIBitmap(id++, name, 60);
    EXPECT_EQ(bm.mData, nullptr);
    EXPECT_EQ(bm.W, 0);
    EXPECT_EQ(bm.H, 0);
    IRECT dest(0, 0, 48, 48);
    c.gfx.DrawBitmap(&bm, &dest, 31);
    EXPECT_EQ(c.Count(Opaque(0, 0, 0)), 64 * 48);
  }
  // The same failures from memory.
  EXPECT_EQ(LICE_LoadPNGFromMemory(nullptr, 100), nullptr);
  EXPECT_EQ(LICE_LoadPNGFromMemory(whole.data(), 7), nullptr);
  EXPECT_EQ(LICE_LoadPNGFromMemory(whole.data(), whole.size() - 20), nullptr);
  const std::vector<unsigned char> huge = HeaderOnlyPng(100000, 100000);
  EXPECT_EQ(LICE_LoadPNGFromMemory(huge.data(), huge.size()), nullptr);
  LICE_IBitmap* ok = LICE_LoadPNGFromMemory(whole.data(), whole.size());
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->getWidth(), 40);
  delete ok;
}

// The image's compressed data replaced by garbage behind valid checksums: nothing is
// wrong until the pixels are inflated.
std::vector<unsigned char> GarbledImageData(std::vector<unsigned char> png) {
  for (size_t pos = 8; pos + 12 <= png.size();) {
    const uint32_t length = uint32_t(png[pos]) << 24 | uint32_t(png[pos + 1]) << 16 | uint32_t(png[pos + 2]) << 8 | png[pos + 3];
    if (pos + 12 + length > png.size()) break;
    if (memcmp(&png[pos + 4], "IDAT", 4) == 0) {
      for (uint32_t k = 2; k < length; ++k) png[pos + 8 + k] = (unsigned char)(0xa5 ^ k);
      const uint32_t crc = uint32_t(crc32(0, &png[pos + 4], uInt(4 + length)));
      for (int k = 0; k < 4; ++k) png[pos + 8 + length + size_t(k)] = (unsigned char)(crc >> (24 - 8 * k));
    }
    pos += 12 + size_t(length);
  }
  return png;
}

TEST_F(BitmapCache, LoadingGivesTheSizeAtOnceAndDecodesAtTheFirstDraw) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_lazy.png"), 8, 6, 10, 200, 30));
  TestCanvas c;
  IBitmap bm = c.gfx.LoadIBitmap(9050, "tg_lazy.png", 3);
  ASSERT_NE(bm.mData, nullptr);
  EXPECT_EQ(bm.W, 8);
  EXPECT_EQ(bm.H, 6);
  EXPECT_EQ(bm.frameHeight(), 2);
  EXPECT_EQ(bm.mData->Extended(LICE_EXT_PNG_STATE, nullptr), LICE_PNG_PENDING) << "nothing drawn yet";
  IRECT dest(0, 0, 8, 2);
  c.gfx.DrawBitmap(&bm, &dest, 2);
  EXPECT_EQ(bm.mData->Extended(LICE_EXT_PNG_STATE, nullptr), LICE_PNG_DECODED);
  EXPECT_EQ(c.Count(Opaque(10, 200, 30)), 8 * 2);
  // The file may go once loaded: the image is held (encoded until drawn).
  ASSERT_TRUE(WriteSolidPng(Path("tg_lazy2.png"), 4, 4, 7, 7, 7));
  IBitmap second = c.gfx.LoadIBitmap(9051, "tg_lazy2.png");
  remove(Path("tg_lazy2.png").c_str());
  EXPECT_EQ(LICE_GetPixel(second.mData, 3, 3), Opaque(7, 7, 7));
}

// Damage that only decoding finds no longer shows when the image is loaded (its
// header is sound) but at its first draw: it draws nothing, and from then on loading
// it gives the empty handle, as for an image that cannot be decoded at all.
TEST_F(BitmapCache, ImageDataThatCannotBeInflatedIsReportedFromItsFirstDraw) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_inflate.png"), 40, 40, 255, 255, 255));
  WriteFile(Path("tg_inflate.png"), GarbledImageData(ReadFile(Path("tg_inflate.png"))));
  TestCanvas c;
  IBitmap bm = c.gfx.LoadIBitmap(9060, "tg_inflate.png", 2);
  ASSERT_NE(bm.mData, nullptr);
  EXPECT_EQ(bm.W, 40);
  EXPECT_EQ(bm.H, 40);
  IRECT dest(0, 0, 40, 20);
  c.gfx.DrawBitmap(&bm, &dest, 1);
  EXPECT_EQ(c.Count(Opaque(0, 0, 0)), 64 * 48) << "nothing drawn";
  EXPECT_EQ(bm.mData->Extended(LICE_EXT_PNG_STATE, nullptr), LICE_PNG_FAILED);
  EXPECT_EQ(bm.mData->getWidth(), 0);
  IBitmap again = c.gfx.LoadIBitmap(9060, "tg_inflate.png", 2);
  EXPECT_EQ(again.mData, nullptr);
  EXPECT_EQ(again.W, 0);
  EXPECT_EQ(again.H, 0);
  EXPECT_EQ(c.gfx.NBitmapLoads(), 1) << "kept cached: handles given out still point at it";
  c.gfx.DrawBitmap(&bm, &dest, 2);  // the first handle stays safe to draw
  EXPECT_EQ(c.Count(Opaque(0, 0, 0)), 64 * 48);
  // Nothing to scale or crop from it either (rather than a bitmap of unwritten memory).
  IRECT part(0, 0, 10, 10);
  EXPECT_EQ(c.gfx.ScaleBitmap(&bm, 20, 20).mData, nullptr);
  EXPECT_EQ(c.gfx.CropBitmap(&bm, &part).mData, nullptr);

  // Scaling an image not drawn yet decodes it first.
  WriteFile(Path("tg_inflate2.png"), GarbledImageData(ReadFile(Path("tg_inflate.png"))));
  IBitmap fresh = c.gfx.LoadIBitmap(9061, "tg_inflate2.png");
  ASSERT_NE(fresh.mData, nullptr);
  EXPECT_EQ(c.gfx.ScaleBitmap(&fresh, 20, 20).mData, nullptr);
  ASSERT_TRUE(WriteSolidPng(Path("tg_scale.png"), 4, 4, 0, 90, 0));
  IBitmap good = c.gfx.LoadIBitmap(9062, "tg_scale.png");
  IBitmap scaled = c.gfx.ScaleBitmap(&good, 8, 8);
  ASSERT_NE(scaled.mData, nullptr);
  EXPECT_EQ(LICE_GetPixel(scaled.mData, 7, 7), Opaque(0, 90, 0));
  c.gfx.ReleaseBitmap(&scaled);
}

// A host creates instances (each loading the shared image into its editor) while an
// open editor draws that image for the first time.
TEST_F(BitmapCache, InstancesLoadTheImageWhileAnEditorDrawsItFirst) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_race.png"), 32, 64, 90, 60, 30));
  for (int round = 0; round < 10; ++round) {
    IGraphics::FlushIBitmap();
    TestCanvas editor;
    IBitmap shown = editor.gfx.LoadIBitmap(9070, "tg_race.png", 4);
    ASSERT_NE(shown.mData, nullptr);
    std::atomic<bool> go{false};
    std::vector<LICE_IBitmap*> loaded(3);
    std::vector<int> heights(3);
    std::vector<std::thread> hosts;
    for (int i = 0; i < 3; ++i)
      hosts.emplace_back([&, i] {
        while (!go.load()) std::this_thread::yield();
        IGraphicsHeadless gfx(nullptr, 10, 10);
        IBitmap b = gfx.LoadIBitmap(9070, "tg_race.png", 4);
        loaded[i] = b.mData;
        heights[i] = b.frameHeight();
      });
    go.store(true);
    IRECT dest(0, 0, 32, 16);
    for (int frame = 1; frame <= 4; ++frame) editor.gfx.DrawBitmap(&shown, &dest, frame);
    for (std::thread& t : hosts) t.join();
    EXPECT_EQ(editor.Count(Opaque(90, 60, 30), dest), 32 * 16);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(loaded[i], shown.mData);
      EXPECT_EQ(heights[i], 16);
    }
  }
}

TEST_F(BitmapCache, ABackgroundWhoseImageIsMissingDrawsNothing) {
  TestCanvas c;
  c.gfx.AttachBackground(9030, "tg_no_such_background.png");
  ASSERT_EQ(c.gfx.GetNControls(), 1);
  IRECT all(0, 0, 64, 48);
  EXPECT_TRUE(c.gfx.Draw(&all));
  EXPECT_EQ(c.Count(Opaque(0, 0, 0)), 64 * 48);
}

// A 8 x 2 strip of four horizontal 2 x 2 frames, frame k in red 60 * k.
LICE_MemBitmap* FourFrames() {
  auto* bm = new LICE_MemBitmap(8, 2);
  for (int k = 0; k < 4; ++k)
    LICE_FillRect(bm, 2 * k, 0, 2, 2, Opaque(60 * (k + 1), 0, 0), 1.0f, LICE_BLIT_MODE_COPY);
  return bm;
}

TEST_F(BitmapCache, ScaledAndCroppedBitmapsAreCachedWithVerticalFrames) {
  TestCanvas c;
  LICE_MemBitmap* src = FourFrames();
  IBitmap strip(src, 8, 2, 4, true);
  IBitmap scaled = c.gfx.ScaleBitmap(&strip, 16, 4);
  ASSERT_NE(scaled.mData, nullptr);
  EXPECT_EQ(scaled.W, 16);
  EXPECT_EQ(scaled.H, 4);
  EXPECT_EQ(scaled.N, 4);
  EXPECT_FALSE(scaled.mFramesAreHorizontal);
  EXPECT_EQ(LICE_GetPixel(scaled.mData, 0, 0), Opaque(60, 0, 0));
  EXPECT_EQ(LICE_GetPixel(scaled.mData, 15, 3), Opaque(240, 0, 0));

  IRECT part(2, 0, 6, 2);
  IBitmap cropped = c.gfx.CropBitmap(&strip, &part);
  ASSERT_NE(cropped.mData, nullptr);
  EXPECT_EQ(cropped.W, 4);
  EXPECT_EQ(cropped.H, 2);
  EXPECT_EQ(cropped.N, 4);
  EXPECT_FALSE(cropped.mFramesAreHorizontal);
  EXPECT_EQ(LICE_GetPixel(cropped.mData, 0, 0), Opaque(120, 0, 0));
  EXPECT_EQ(LICE_GetPixel(cropped.mData, 3, 1), Opaque(180, 0, 0));
  // Past the source's edge the crop is transparent.
  IRECT over(6, 0, 10, 2);
  IBitmap edge = c.gfx.CropBitmap(&strip, &over);
  EXPECT_EQ(LICE_GetPixel(edge.mData, 1, 0), Opaque(240, 0, 0));
  EXPECT_EQ(LICE_GetPixel(edge.mData, 3, 0), 0u);

  // Nothing sensible to make: an empty handle.
  IRECT inverted(6, 2, 2, 0);
  EXPECT_EQ(c.gfx.CropBitmap(&strip, &inverted).mData, nullptr);
  EXPECT_EQ(c.gfx.CropBitmap(&strip, nullptr).mData, nullptr);
  EXPECT_EQ(c.gfx.ScaleBitmap(&strip, 0, 4).mData, nullptr);
  EXPECT_EQ(c.gfx.ScaleBitmap(nullptr, 4, 4).mData, nullptr);
  IBitmap none;
  EXPECT_EQ(c.gfx.ScaleBitmap(&none, 4, 4).mData, nullptr);

  c.gfx.ReleaseBitmap(&scaled);  // deleted with its entry
  c.gfx.ReleaseBitmap(&cropped);
  c.gfx.ReleaseBitmap(&edge);
  delete src;
}

TEST_F(BitmapCache, ReleaseDeletesOnlyWhatTheCacheHoldsAndOnlyOnce) {
  TestCanvas c;
  LICE_MemBitmap* own = FourFrames();
  IBitmap mine(own, 8, 2, 4, true);
  c.gfx.ReleaseBitmap(&mine);  // not cached: left alone (deleted below)
  EXPECT_EQ(LICE_GetPixel(own, 0, 0), Opaque(60, 0, 0));
  delete own;

  LICE_MemBitmap* kept = FourFrames();
  IBitmap handle(kept, 8, 2, 4, true);
  c.gfx.RetainBitmap(&handle);
  c.gfx.RetainBitmap(&handle);
  c.gfx.ReleaseBitmap(&handle);  // one entry remains, so the bitmap lives on
  EXPECT_EQ(LICE_GetPixel(kept, 7, 1), Opaque(240, 0, 0));
  c.gfx.ReleaseBitmap(&handle);  // the last entry: deleted now (ASan sees a second delete)
  c.gfx.ReleaseBitmap(&handle);  // no longer cached: nothing
  c.gfx.RetainBitmap(nullptr);
  c.gfx.ReleaseBitmap(nullptr);
}

TEST_F(BitmapCache, EditorsOnSeveralThreadsShareOneBitmapAndOneFont) {
  ASSERT_TRUE(WriteSolidPng(Path("tg_threads.png"), 64, 64, 1, 2, 3));
  constexpr int kThreads = 4;
  std::vector<LICE_IBitmap*> bitmaps(kThreads);
  std::vector<LICE_CachedFont*> fonts(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] {
      IGraphicsHeadless gfx(nullptr, 10, 10);
      bitmaps[i] = gfx.LoadIBitmap(9040, "tg_threads.png").mData;
      IText style(19, &COLOR_WHITE, "DejaVu Sans");
      fonts[i] = gfx.CacheFont(&style);
      // Drawing with the shared font from several threads at once, in different colours.
      gfx.PrepDraw();
      *gfx.GetDrawRECT() = IRECT(0, 0, 10, 10);
      IText own(19, i % 2 ? &COLOR_RED : &COLOR_BLUE, "DejaVu Sans");
      IRECT r(0, 0, 10, 10);
      char text[] = "Wq";
      for (int k = 0; k < 50; ++k) gfx.DrawIText(&own, text, &r);
    });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) {
    ASSERT_NE(bitmaps[i], nullptr);
    EXPECT_EQ(bitmaps[i], bitmaps[0]);
    ASSERT_NE(fonts[i], nullptr);
    EXPECT_EQ(fonts[i], fonts[0]);
  }
}

}  // namespace
