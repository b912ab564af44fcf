// Record pools, objects, selection rules, fonts and memory contexts of the drawing layer.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "swell-fontcache.h"
#include "swell-gdi-internalpool.h"
#include "swell-gdi.h"

namespace {

HFONT MakeFont(int height, int width = 0, int weight = FW_NORMAL, char italic = 0, char quality = 0,
               const char* face = "Verdana", int orientation = 0) {
  return CreateFont(height, width, 0, orientation, weight, italic, 0, 0, 0, 0, 0, quality, 0, face);
}

// ---- Record pools --------------------------------------------------------------------

TEST(SwellPool, FreeListsKeepAtMost200ObjectsAnd100Contexts) {
  SWELL_GDP_EmptyFreeLists();
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 250; i++) brushes.push_back(CreateSolidBrush(i));
  for (HBRUSH b : brushes) DeleteObject(b);
  EXPECT_EQ(SWELL_GDP_FreeObjectCount(), 200);
  std::vector<HDC> contexts;
  for (int i = 0; i < 130; i++) contexts.push_back(SWELL_CreateMemContext(nullptr, 2, 2));
  for (HDC c : contexts) SWELL_DeleteGfxContext(c);
  EXPECT_EQ(SWELL_GDP_FreeContextCount(), 100);
  SWELL_GDP_EmptyFreeLists();
  EXPECT_EQ(SWELL_GDP_FreeObjectCount(), 0);
}

TEST(SwellPool, DeletedRecordIsReusedCleared) {
  SWELL_GDP_EmptyFreeLists();
  HPEN pen = CreatePen(PS_SOLID, 3, 0x123456);
  ASSERT_NE(pen, nullptr);
  pen->additional_refcnt = 0;
  DeleteObject(pen);
  DeleteObject(pen);  // deleted already: ignored
  EXPECT_EQ(SWELL_GDP_FreeObjectCount(), 1);
  HBRUSH brush = CreateSolidBrush(0xff0000);
  EXPECT_EQ(brush, pen) << "the free list hands the record back";
  EXPECT_EQ(brush->type, TYPE_BRUSH);
  EXPECT_EQ(brush->wid, 0) << "a recycled record is cleared";
  EXPECT_EQ(brush->_infreelist, 0);
  EXPECT_FLOAT_EQ(brush->color.red, 1.0f);
  EXPECT_EQ(SWELL_GDP_FreeObjectCount(), 0);
  DeleteObject(brush);

  HDC a = SWELL_CreateMemContext(nullptr, 4, 4);
  SetBkMode(a, OPAQUE);
  SWELL_DeleteGfxContext(a);
  HDC b = SWELL_CreateMemContext(nullptr, 8, 8);
  EXPECT_EQ(a, b);
  EXPECT_EQ(b->curbkmode, 0);
  EXPECT_EQ(b->ctx.width, 8);
  SWELL_DeleteGfxContext(b);
}

// A deleted object leaves every slot that held it, so a context never draws with a
// record that was recycled for something else or given back to the heap.
TEST(SwellPool, DeletingASelectedObjectEmptiesTheSlotsThatHoldIt) {
  SWELL_GDP_EmptyFreeLists();
  // Fill the object free list so that the next delete frees the record outright.
  std::vector<HBRUSH> filler;
  for (int i = 0; i < SWELL_GDP_MAX_FREE_OBJECTS; i++) filler.push_back(CreateSolidBrush(i));
  HDC a = SWELL_CreateMemContext(nullptr, 32, 16);
  HDC b = SWELL_CreateMemContext(nullptr, 32, 16);
  HFONT font = MakeFont(12);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  ASSERT_NE(font, nullptr);
  SelectObject(a, font);
  SelectObject(b, font);
  SelectObject(a, pen);
  for (HBRUSH br : filler) DeleteObject(br);
  DeleteObject(font);
  DeleteObject(pen);
  EXPECT_EQ(a->curfont, nullptr);
  EXPECT_EQ(b->curfont, nullptr);
  EXPECT_EQ(a->curpen, nullptr);
  RECT r = {0, 0, 32, 16};
  SetTextColor(a, 0xffffff);
  EXPECT_GT(SWELL_DrawText(a, "Ag", -1, &r, 0), 0) << "draws with the fallback font";
  SWELL_DeleteGfxContext(a);
  SWELL_DeleteGfxContext(b);
  SWELL_GDP_EmptyFreeLists();
}

// ---- DeleteObject ----------------------------------------------------------------------

TEST(SwellDeleteObject, ExtraReferencesAreDroppedOneByOne) {
  SWELL_GDP_EmptyFreeLists();
  HBRUSH b = CreateSolidBrush(0);
  b->additional_refcnt = 2;
  DeleteObject(b);
  EXPECT_EQ(b->additional_refcnt, 1);
  EXPECT_EQ(b->_infreelist, 0);
  DeleteObject(b);
  EXPECT_EQ(b->additional_refcnt, 0);
  EXPECT_EQ(b->_infreelist, 0);
  DeleteObject(b);
  EXPECT_EQ(b->_infreelist, 1);
  // Only a count of 0 frees: a count below it is decremented, never taken as "no owner".
  HBRUSH odd = CreateSolidBrush(0);
  odd->additional_refcnt = -1;
  DeleteObject(odd);
  EXPECT_EQ(odd->_infreelist, 0);
  EXPECT_EQ(odd->additional_refcnt, -2);
  odd->additional_refcnt = INT_MIN;
  DeleteObject(odd);
  EXPECT_EQ(odd->additional_refcnt, INT_MIN) << "no overflow at the bottom";
  EXPECT_EQ(odd->_infreelist, 0);
  odd->additional_refcnt = 0;
  DeleteObject(odd);
  SWELL_GDP_EmptyFreeLists();
}

TEST(SwellDeleteObject, StockObjectsMarkersAndNullAreIgnored) {
  SWELL_GDP_EmptyFreeLists();
  HGDIOBJ stock = GetStockObject(BLACK_BRUSH);
  ASSERT_NE(stock, nullptr);
  DeleteObject(stock);
  DeleteObject(stock);
  EXPECT_EQ(stock->_infreelist, 0);
  EXPECT_EQ(GetStockObject(BLACK_BRUSH), stock);
  for (uintptr_t m = 1; m <= 4; m++) DeleteObject(reinterpret_cast<HGDIOBJ>(m));
  DeleteObject(nullptr);
  EXPECT_EQ(SWELL_GDP_FreeObjectCount(), 0);

  HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->type, TYPE_FONT);
  DeleteObject(font);
  EXPECT_EQ(font->_infreelist, 0);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(9999), nullptr);
}

// ---- SelectObject ----------------------------------------------------------------------

class SwellSelect : public ::testing::Test {
 protected:
  void SetUp() override { dc = SWELL_CreateMemContext(nullptr, 16, 16); }
  void TearDown() override { SWELL_DeleteGfxContext(dc); }
  HDC dc = nullptr;
};

HGDIOBJ Kind(int k) { return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(k)); }

TEST_F(SwellSelect, EmptySlotAnswersItsKindNumber) {
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  HBRUSH brush = CreateSolidBrush(0);
  HFONT font = MakeFont(10);
  EXPECT_EQ(SelectObject(dc, pen), Kind(1));
  EXPECT_EQ(SelectObject(dc, brush), Kind(2));
  EXPECT_EQ(SelectObject(dc, font), Kind(3));
  EXPECT_EQ(dc->curpen, pen);
  EXPECT_EQ(dc->curbrush, brush);
  EXPECT_EQ(dc->curfont, font);
  DeleteObject(pen);
  DeleteObject(brush);
  DeleteObject(font);
}

TEST_F(SwellSelect, ReplacingReturnsPreviousAndReselectingReturnsItself) {
  HFONT a = MakeFont(10), b = MakeFont(11);
  SelectObject(dc, a);
  EXPECT_EQ(SelectObject(dc, a), a);
  EXPECT_EQ(SelectObject(dc, b), a);
  EXPECT_EQ(dc->curfont, b);
  // The returned kind number selects the slot back to empty.
  HBRUSH br = CreateSolidBrush(1);
  HGDIOBJ old = SelectObject(dc, br);
  EXPECT_EQ(SelectObject(dc, old), br);
  EXPECT_EQ(dc->curbrush, nullptr);
  DeleteObject(a);
  DeleteObject(b);
  DeleteObject(br);
}

TEST_F(SwellSelect, MarkersEmptyTheirSlotOnly) {
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  HFONT font = MakeFont(10);
  SelectObject(dc, pen);
  SelectObject(dc, font);
  EXPECT_EQ(SelectObject(dc, Kind(3)), font);
  EXPECT_EQ(dc->curfont, nullptr);
  EXPECT_EQ(dc->curpen, pen);
  EXPECT_EQ(SelectObject(dc, Kind(1)), pen);
  EXPECT_EQ(dc->curpen, nullptr);
  EXPECT_EQ(SelectObject(dc, Kind(2)), Kind(2)) << "an empty slot answers its kind";
  EXPECT_EQ(SelectObject(dc, Kind(4)), nullptr) << "bitmaps have no slot";
  DeleteObject(pen);
  DeleteObject(font);
}

TEST_F(SwellSelect, InvalidArgumentsGiveNull) {
  SWELL_GDP_EmptyFreeLists();  // deleted records below stay on the free list, readable
  HFONT font = MakeFont(10);
  EXPECT_EQ(SelectObject(nullptr, font), nullptr);
  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  HBRUSH gone = CreateSolidBrush(0);
  DeleteObject(gone);
  EXPECT_EQ(SelectObject(dc, gone), nullptr) << "deleted object";
  EXPECT_EQ(dc->curbrush, nullptr);
  HDC dead = SWELL_CreateMemContext(nullptr, 2, 2);
  SWELL_DeleteGfxContext(dead);
  EXPECT_EQ(SelectObject(dead, font), nullptr) << "deleted context";
  EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), Kind(1)) << "stock objects select";
  DeleteObject(font);
}

// ---- CreateFont ------------------------------------------------------------------------

TEST(SwellCreateFont, SizeRules) {
  struct Case {
    int height, width;
    float size;
  } cases[] = {{0, 12, 12}, {-13, 0, 13}, {13, 99, 13}, {1, 0, 10},     {9000, 0, 10}, {0, 0, 10},
               {2, 0, 2},   {8192, 0, 8192}, {-8193, 0, 10}, {INT_MIN, 0, 10}, {0, INT_MIN, 10}};
  for (const Case& c : cases) {
    HFONT f = MakeFont(c.height, c.width);
    ASSERT_NE(f, nullptr) << c.height << "," << c.width;
    ASSERT_NE(f->ct_font, nullptr);
    EXPECT_FLOAT_EQ(f->ct_font->pixelSize, c.size) << c.height << "," << c.width;
    EXPECT_EQ(f->type, TYPE_FONT);
    DeleteObject(f);
  }
}

TEST(SwellCreateFont, QualityAndOrientation) {
  const char in[] = {0, 1, 2, 3, 4, 5, -1};
  const char out[] = {0, 0, 0, 3, 4, 0, 0};
  for (size_t i = 0; i < sizeof(in); i++) {
    HFONT f = MakeFont(10, 0, FW_NORMAL, 0, in[i]);
    EXPECT_EQ(f->font_quality, out[i]) << int(in[i]);
    DeleteObject(f);
  }
  HFONT f = MakeFont(10, 0, FW_NORMAL, 0, 0, "Verdana", 900);
  EXPECT_FLOAT_EQ(f->font_angle, 90.0f);
  DeleteObject(f);
}

TEST(SwellCreateFont, BoldAndItalicSuffixesReachTheNameCache) {
  HFONT f = MakeFont(12, 0, FW_BOLD, 1);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(SWELL_FontNameCacheContains("Verdana Bold Italic"));
  HFONT g = MakeFont(12, 0, 699, 0);
  EXPECT_TRUE(SWELL_FontNameCacheContains("Verdana"));
  HFONT h = MakeFont(12, 0, FW_HEAVY, 0);
  EXPECT_TRUE(SWELL_FontNameCacheContains("Verdana Bold"));
  EXPECT_NE(f->ct_font->face, g->ct_font->face) << "bold italic resolves to another face";
  EXPECT_NE(h->ct_font->face, g->ct_font->face);
  EXPECT_TRUE(FT_IS_SCALABLE(f->ct_font->face));
  EXPECT_TRUE(f->ct_font->face->style_flags & FT_STYLE_FLAG_BOLD);
  EXPECT_TRUE(f->ct_font->face->style_flags & FT_STYLE_FLAG_ITALIC);
  EXPECT_FALSE(g->ct_font->face->style_flags & FT_STYLE_FLAG_BOLD);
  DeleteObject(f);
  DeleteObject(g);
  DeleteObject(h);
}

// With only upright faces installed (a regular and a bold), a style that no face has is
// dropped and the others kept: bold italic gives the bold face, italic the regular one.
// Runs in a child process: 0 when every check holds.
int UprightOnlyChecks(const char* conf) {
  setenv("FONTCONFIG_FILE", conf, 1);
  SWELL_FontCacheShutdown();
  HFONT boldItalic = MakeFont(12, 0, FW_BOLD, 1);
  HFONT italic = MakeFont(12, 0, FW_NORMAL, 1);
  HFONT regular = MakeFont(12);
  bool ok = boldItalic && italic && regular && boldItalic->ct_font && italic->ct_font && regular->ct_font;
  ok = ok && FT_IS_SCALABLE(boldItalic->ct_font->face);
  ok = ok && (boldItalic->ct_font->face->style_flags & FT_STYLE_FLAG_BOLD);
  ok = ok && italic->ct_font->face == regular->ct_font->face;
  ok = ok && !(regular->ct_font->face->style_flags & FT_STYLE_FLAG_BOLD);
  DeleteObject(boldItalic);
  DeleteObject(italic);
  DeleteObject(regular);
  return ok ? 0 : 1;
}

TEST(SwellCreateFontDeathTest, AMissingStyleKeepsTheOthers) {
  const std::string dir = "/tmp/swell-test-upright-" + std::to_string(getpid());
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  const char* fonts = "/usr/share/fonts/truetype/dejavu/";
  for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
    ASSERT_EQ(symlink((std::string(fonts) + file).c_str(), (dir + "/" + file).c_str()), 0) << file;
  const std::string conf = dir + "/fonts.conf";
  FILE* fp = fopen(conf.c_str(), "w");
  ASSERT_NE(fp, nullptr);
  fprintf(fp, "<?xml version=\"1.0\"?>\n<fontconfig><dir>%s</dir></fontconfig>\n", dir.c_str());
  fclose(fp);
  EXPECT_EXIT(_exit(UprightOnlyChecks(conf.c_str())), ::testing::ExitedWithCode(0), "");
  for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "fonts.conf"}) remove((dir + "/" + file).c_str());
  rmdir(dir.c_str());
}

TEST(SwellCreateFont, MissingOddAndHugeFaceNamesStillGiveAFont) {
  std::string huge(5000, 'x');
  std::string cutUtf8 = std::string(898, 'a') + "\xc3\xa9";  // the limit falls inside "é"
  const char* faces[] = {nullptr, "", "No Such Face Anywhere", "\xff\xfe bad bytes", huge.c_str(),
                         cutUtf8.c_str()};
  for (const char* face : faces) {
    HFONT f = MakeFont(14, 0, FW_BOLD, 1, 0, face);
    ASSERT_NE(f, nullptr);
    ASSERT_NE(f->ct_font, nullptr);
    EXPECT_FLOAT_EQ(f->ct_font->pixelSize, 14.0f);
    DeleteObject(f);
  }
  // A name that is not text is no name: the default face, without the styles asked for.
  HFONT plain = MakeFont(14, 0, FW_NORMAL, 0, 0, "");
  for (const char* face : {"\xff\xfe bad bytes", cutUtf8.c_str()}) {
    HFONT f = MakeFont(14, 0, FW_BOLD, 1, 0, face);
    EXPECT_EQ(f->ct_font, plain->ct_font);
    DeleteObject(f);
  }
  const std::string cutKey = cutUtf8.substr(0, 899) + " Bold Italic";
  EXPECT_TRUE(SWELL_FontNameCacheContains(cutKey.c_str())) << "the face is cut at 899 bytes, even mid-character";
  DeleteObject(plain);
}

// With no font file anywhere, CreateFont still hands out a font object, and text falls back.
// Runs in a child process: 0 when every check holds.
int FontlessChecks(const char* conf) {
  setenv("FONTCONFIG_FILE", conf, 1);
  SWELL_FontCacheShutdown();  // start over in this process, without fonts
  HFONT f = MakeFont(12);
  bool ok = f && f->type == TYPE_FONT && !f->ct_font && SWELL_GetFallbackFont() == nullptr;
  HDC dc = SWELL_CreateMemContext(nullptr, 8, 8);
  ok = ok && SelectObject(dc, f) == reinterpret_cast<HGDIOBJ>(3);
  RECT r = {0, 0, 8, 8};
  ok = ok && SWELL_DrawText(dc, "x", -1, &r, 0) == 0;
  TEXTMETRIC tm;
  ok = ok && GetTextMetrics(dc, &tm) && tm.tmHeight == 16;
  DeleteObject(f);
  ok = ok && f->_infreelist == 1;
  return ok ? 0 : 1;
}

int ShutdownForgetsTheDefaultChecks(const char* emptyConf);

// Both checks in one child: the default resolved, then forgotten at the shutdown, then
// fonts made with no font file anywhere.
TEST(SwellCreateFontDeathTest, NoFontInstalledStillGivesAnObject) {
  const std::string path = "/tmp/swell-test-no-fonts-" + std::to_string(getpid()) + ".conf";
  const char* conf = path.c_str();
  FILE* fp = fopen(conf, "w");
  ASSERT_NE(fp, nullptr);
  fputs("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", fp);
  fclose(fp);
  EXPECT_EXIT(_exit(ShutdownForgetsTheDefaultChecks(conf) | FontlessChecks(conf)), ::testing::ExitedWithCode(0), "");
  remove(conf);
}

TEST(SwellFontCache, EachFontFileIsOpenedOnce) {
  HFONT first = MakeFont(10, 0, FW_NORMAL, 0, 0, "DejaVu Sans");
  ASSERT_NE(first, nullptr);
  const int before = SWELL_OpenFontFileCount();
  EXPECT_GE(before, 1);
  // Several names at several sizes; however the machine resolves them, a file is opened at
  // most once and every font of one file shares its face.
  const char* names[] = {"DejaVu Sans", "Verdana", "sans-serif", "", "DejaVu Sans Bold"};
  std::vector<std::string> files;
  std::vector<HFONT> fonts;
  for (const char* n : names) {
    char file[4096];
    int index = 0;
    ASSERT_TRUE(SWELL_ResolveFontName(n, file, sizeof(file), &index)) << n;
    bool seen = false;
    for (const std::string& f : files) seen = seen || f == file;
    if (!seen) files.push_back(file);
    for (int size = 6; size < 40; size += 7) {
      HFONT f = MakeFont(-size, 0, FW_NORMAL, 0, 0, n);
      ASSERT_NE(f, nullptr);
      fonts.push_back(f);
      if (!strcmp(n, "DejaVu Sans")) {
        EXPECT_EQ(f->ct_font->face, first->ct_font->face);
      }
    }
  }
  EXPECT_LE(SWELL_OpenFontFileCount(), before + int(files.size()) - 1) << "the first file was open already";
  const int after = SWELL_OpenFontFileCount();
  for (HFONT f : fonts) DeleteObject(f);
  for (const char* n : names) DeleteObject(MakeFont(-50, 0, FW_NORMAL, 0, 0, n));
  EXPECT_EQ(SWELL_OpenFontFileCount(), after) << "nothing opened again";
  // Same face and size share one size object.
  HFONT a = MakeFont(-17), b = MakeFont(17);
  EXPECT_EQ(a->ct_font, b->ct_font);
  DeleteObject(a);
  DeleteObject(b);
  DeleteObject(first);
}

TEST(SwellFontCache, FallbackIsDefaultSansAtTenPixels) {
  SWELL_FontInstance* f = SWELL_GetFallbackFont();
  ASSERT_NE(f, nullptr);
  EXPECT_FLOAT_EQ(f->pixelSize, 10.0f);
  EXPECT_EQ(SWELL_GetFallbackFont(), f);
  char tiny[2];
  int index = 0;
  EXPECT_FALSE(SWELL_ResolveFontName("", tiny, sizeof(tiny), &index)) << "a path never fits two bytes";
  EXPECT_FALSE(SWELL_ResolveFontName("", nullptr, 10, &index));
}

// ---- Context state and metrics -----------------------------------------------------------

TEST(SwellTextMetrics, NullOrDeletedContextKeepsDefaults) {
  SWELL_GDP_EmptyFreeLists();  // deleted records below stay on the free list, readable
  TEXTMETRIC tm;
  memset(&tm, 0x55, sizeof(tm));
  EXPECT_FALSE(GetTextMetrics(nullptr, &tm));
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmAscent, 12);
  EXPECT_EQ(tm.tmDescent, 4);
  EXPECT_EQ(tm.tmInternalLeading, 3);
  EXPECT_EQ(tm.tmAveCharWidth, 10);
  HDC dead = SWELL_CreateMemContext(nullptr, 2, 2);
  SWELL_DeleteGfxContext(dead);
  EXPECT_FALSE(GetTextMetrics(dead, &tm));
  EXPECT_EQ(tm.tmHeight, 16);
  HDC dc = SWELL_CreateMemContext(nullptr, 2, 2);
  EXPECT_FALSE(GetTextMetrics(dc, nullptr));
  SWELL_DeleteGfxContext(dc);
}

TEST(SwellTextMetrics, FollowTheFontsTruncatedMetrics) {
  HDC dc = SWELL_CreateMemContext(nullptr, 4, 4);
  for (int size : {13, 100}) {
    HFONT f = MakeFont(-size);
    SelectObject(dc, f);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    const SWELL_FontMetrics& m = f->ct_font->metrics;
    EXPECT_EQ(tm.tmAscent, int(m.ascent));
    EXPECT_EQ(tm.tmDescent, int(m.descent));
    EXPECT_EQ(tm.tmInternalLeading, int(m.leading));
    const int s = tm.tmAscent + tm.tmDescent + tm.tmInternalLeading;
    EXPECT_EQ(tm.tmHeight, s + 1);
    EXPECT_EQ(tm.tmAveCharWidth, 2 * s / 3);
    EXPECT_GE(tm.tmAscent + tm.tmDescent, size - 1) << "a font's box is about its size";
    EXPECT_LE(tm.tmAscent + tm.tmDescent, size * 3 / 2);
    SelectObject(dc, Kind(3));
    DeleteObject(f);
  }
  // No font selected: the fallback font.
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_EQ(tm.tmAscent, int(SWELL_GetFallbackFont()->metrics.ascent));
  SWELL_DeleteGfxContext(dc);
}

// ---- Memory contexts -------------------------------------------------------------------

TEST(SwellMemContext, PixelsAreAlignedZeroedAndTightlyPacked) {
  for (int w : {1, 3, 17, 700}) {
    HDC dc = SWELL_CreateMemContext(nullptr, w, 5);
    ASSERT_NE(dc, nullptr);
    unsigned char* px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(px) % 64, 0u);
    EXPECT_EQ(dc->ctx.rowBytes, w * 4);
    for (int i = 0; i < w * 4 * 5; i++) ASSERT_EQ(px[i], 0) << i;
    memset(px, 0xee, static_cast<size_t>(w) * 4 * 5);  // the whole block is writable
    SWELL_DeleteGfxContext(dc);
  }
}

TEST(SwellMemContext, BadSizesAndDeadContextsAreRefused) {
  SWELL_GDP_EmptyFreeLists();  // deleted records below stay on the free list, readable
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, 0, 10), nullptr);
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, 10, 0), nullptr);
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, -5, 10), nullptr);
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, INT_MAX, INT_MAX), nullptr);
  EXPECT_EQ(SWELL_CreateMemContext(nullptr, 1 << 20, 1 << 20), nullptr);
  EXPECT_EQ(SWELL_GetCtxFrameBuffer(nullptr), nullptr);
  SWELL_DeleteGfxContext(nullptr);
  SetTextColor(nullptr, 1);
  SetBkColor(nullptr, 1);
  SetBkMode(nullptr, 1);
  HDC dc = SWELL_CreateMemContext(nullptr, 2, 2);
  SWELL_DeleteGfxContext(dc);
  EXPECT_EQ(SWELL_GetCtxFrameBuffer(dc), nullptr);
  SetBkMode(dc, OPAQUE);
  EXPECT_EQ(dc->curbkmode, 0) << "a deleted context ignores setters";
  SWELL_DeleteGfxContext(dc);  // twice: ignored
}

TEST(SwellMemContext, BytesAreAlphaRedGreenBlueWithRowsTopDown) {
  const int w = 20, h = 40;
  HDC dc = SWELL_CreateMemContext(nullptr, w, h);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, 0x102030);
  RECT r = {3, 0, 9, h};
  SWELL_DrawText(dc, ".", -1, &r, DT_SINGLELINE);
  const unsigned char* px = static_cast<unsigned char*>(SWELL_GetCtxFrameBuffer(dc));
  const unsigned char* topLeft = px + 3 * 4;  // row 0 is the top row
  EXPECT_EQ(topLeft[0], 255) << "alpha first";
  EXPECT_EQ(topLeft[1], 0x10);
  EXPECT_EQ(topLeft[2], 0x20);
  EXPECT_EQ(topLeft[3], 0x30);
  uint32_t asInt;
  memcpy(&asInt, topLeft, 4);
  EXPECT_EQ(asInt, 255u + 0x10u * 256u + 0x20u * 65536u + 0x30u * 16777216u);
  const unsigned char* bottom = px + (h - 1) * w * 4 + 3 * 4;
  EXPECT_EQ(bottom[0], 0) << "the text box lies at the top, the bottom rows stay untouched";
  EXPECT_EQ(px[0], 0) << "left of the box";
  SWELL_DeleteGfxContext(dc);
}

}  // namespace

// ---- Shutdown ------------------------------------------------------------------------

namespace {

// Pixels of a context that are not the given background.
int InkedPixels(HDC dc, int w, int h, uint32_t background) {
  const uint32_t* px = static_cast<const uint32_t*>(SWELL_GetCtxFrameBuffer(dc));
  int n = 0;
  for (int i = 0; px && i < w * h; i++) n += (px[i] | 0xff) != (background | 0xff);
  return n;
}

// Draws "Hg" in white on a black context with whatever font is selected.
int DrawProbe(HDC dc, int w, int h) {
  memset(SWELL_GetCtxFrameBuffer(dc), 0, size_t(w) * h * 4);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT r = {0, 0, w, h};
  if (SWELL_DrawText(dc, "Hg", -1, &r, DT_NOCLIP) <= 0) return -1;
  return InkedPixels(dc, w, h, 0);
}

// Resolves the default face, then shuts down and points fontconfig at an empty
// configuration: nothing of the old default may survive. 0 when every check holds.
int ShutdownForgetsTheDefaultChecks(const char* emptyConf) {
  HFONT before = MakeFont(12, 0, FW_NORMAL, 0, 0, "");
  bool ok = before && before->ct_font && SWELL_GetFallbackFont();
  setenv("FONTCONFIG_FILE", emptyConf, 1);
  SWELL_FontCacheShutdown();
  ok = ok && SWELL_GetFallbackFont() == nullptr;
  HFONT after = MakeFont(12, 0, FW_NORMAL, 0, 0, "");
  ok = ok && after && !after->ct_font;
  char file[4096];
  int index = 0;
  ok = ok && !SWELL_ResolveFontName("", file, sizeof(file), &index);
  DeleteObject(before);
  DeleteObject(after);
  return ok ? 0 : 1;
}

}  // namespace

TEST(SwellShutdown, StockFontAndOlderFontsStaySafeAndNewFontsWork) {
  const int w = 60, h = 24;
  HDC dc = SWELL_CreateMemContext(nullptr, w, h);
  ASSERT_NE(dc, nullptr);
  HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
  ASSERT_NE(stock, nullptr);
  HFONT older = MakeFont(16);
  ASSERT_NE(older->ct_font, nullptr);
  SelectObject(dc, stock);
  EXPECT_GT(DrawProbe(dc, w, h), 0);

  SWELL_FontCacheShutdown();
  EXPECT_EQ(SWELL_FontNameCacheSize(), 0);
  EXPECT_EQ(SWELL_OpenFontFileCount(), 0);

  // The stock font draws with the default face made afresh (the sanitizer build catches
  // any use of the freed one).
  SelectObject(dc, stock);
  EXPECT_GT(DrawProbe(dc, w, h), 0);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_EQ(tm.tmAscent, int(SWELL_GetFallbackFont()->metrics.ascent));
  // A font made before the shutdown falls back to the default face instead of its freed one.
  SelectObject(dc, older);
  EXPECT_GT(DrawProbe(dc, w, h), 0);
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_EQ(tm.tmAscent, int(SWELL_GetFallbackFont()->metrics.ascent));
  // Fonts made now resolve and open their files again.
  HFONT fresh = MakeFont(16);
  ASSERT_NE(fresh->ct_font, nullptr);
  EXPECT_GE(SWELL_OpenFontFileCount(), 1);
  EXPECT_TRUE(SWELL_FontNameCacheContains("Verdana"));
  SelectObject(dc, fresh);
  EXPECT_GT(DrawProbe(dc, w, h), 0);
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_EQ(tm.tmAscent, int(fresh->ct_font->metrics.ascent));

  SelectObject(dc, SWELL_MARKER_FONT);
  DeleteObject(fresh);
  DeleteObject(older);
  SWELL_DeleteGfxContext(dc);
}
