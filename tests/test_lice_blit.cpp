// Bitmaps, blits, fills, pixels, gradients, scaled and rotated blits: layout
// contracts, clipping, and safety with hostile coordinates and empty bitmaps.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "guarded_bitmap.h"
#include "lice.h"
#include "lice_combine.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

void Fill(LICE_IBitmap* bm, LICE_pixel v) {
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x) bm->getBits()[y * bm->getRowSpan() + x] = v;
}

// Every pixel gets a value telling its position: red = x, green = y.
void FillCoords(LICE_IBitmap* bm) {
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x)
      bm->getBits()[y * bm->getRowSpan() + x] = LICE_RGBA(x, y, 0, 255);
}

int CountEqual(LICE_IBitmap* bm, LICE_pixel v) {
  int n = 0;
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x) n += LICE_GetPixel(bm, x, y) == v;
  return n;
}

// A bitmap stored bottom-up over caller memory, to check flipped addressing.
class FlippedBitmap : public LICE_IBitmap {
 public:
  FlippedBitmap(int w, int h) : m_w(w), m_h(h), m_pix(size_t(w) * h) {}
  LICE_pixel* getBits() override { return m_pix.data(); }
  int getWidth() override { return m_w; }
  int getHeight() override { return m_h; }
  int getRowSpan() override { return m_w; }
  bool isFlipped() override { return true; }
  bool resize(int, int) override { return false; }
  LICE_pixel stored(int x, int yFromBottom) { return m_pix[size_t(yFromBottom) * m_w + x]; }

 private:
  int m_w, m_h;
  std::vector<LICE_pixel> m_pix;
};

// A bitmap that claims a size but has no pixels.
class PixellessBitmap : public LICE_IBitmap {
 public:
  LICE_pixel* getBits() override { return nullptr; }
  int getWidth() override { return 100; }
  int getHeight() override { return 100; }
  int getRowSpan() override { return 100; }
  bool resize(int, int) override { return false; }
};

// Runs every primitive of this half of the library with the given bitmaps and
// coordinates; the test passes when nothing crashes (the sanitizer build checks
// the memory accesses).
void EveryPrimitive(LICE_IBitmap* d, LICE_IBitmap* s, int x, int y, int w, int h, float fx,
                    float alpha) {
  for (int mode : {0, 1, 2, 3, 4, 5, 0x10000, 0x100, 0xf1, 0x99}) {
    LICE_Blit(d, s, x, y, x, y, w, h, alpha, mode);
    LICE_Blit(d, s, x, y, x == INT_MIN ? INT_MAX : -x, y == INT_MIN ? INT_MAX : -y, w, h, alpha, mode);
    LICE_FillRect(d, x, y, w, h, 0x80402010, alpha, mode);
    LICE_PutPixel(d, x, y, 0x80402010, alpha, mode);
    LICE_ScaledBlit(d, s, x, y, w, h, fx, fx, fx, fx, alpha, mode);
    LICE_ScaledBlit(d, s, x, y, w, h, 0, 0, 3, 3, alpha, mode);
    LICE_RotatedBlit(d, s, x, y, w, h, fx, fx, fx, fx, fx, true, alpha, mode, fx, fx);
    LICE_RotatedBlit(d, s, x, y, w, h, 0, 0, 3, 3, 0.3f, false, alpha, mode, 0, 0);
    LICE_GradRect(d, x, y, w, h, fx, fx, fx, fx, fx, fx, fx, fx, fx, fx, fx, fx, mode);
  }
  LICE_ClearRect(d, x, y, w, h, 0, 0xffffffff);
  (void)LICE_GetPixel(d, x, y);
}

}  // namespace

// ---------------------------------------------------------------------------
// Memory bitmaps
// ---------------------------------------------------------------------------

TEST(LiceMemBitmap, RowSpanFollowsAlignment) {
  LICE_MemBitmap b5(5, 3);
  EXPECT_EQ(b5.getRowSpan(), 8);
  LICE_MemBitmap b8(8, 3);
  EXPECT_EQ(b8.getRowSpan(), 8);
  LICE_MemBitmap unaligned(5, 3, 1);
  EXPECT_EQ(unaligned.getRowSpan(), 5);
  LICE_MemBitmap odd(5, 3, 6);  // lowest set bit 2
  EXPECT_EQ(odd.getRowSpan(), 6);
  LICE_MemBitmap sixteen(17, 1, 16);
  EXPECT_EQ(sixteen.getRowSpan(), 32);
  // The mask is capped at 16, so larger alignments round to multiples of 17.
  for (unsigned align : {32u, 1u << 20, 0x80000000u}) {
    LICE_MemBitmap wide(18, 2, align);
    EXPECT_EQ(wide.getRowSpan(), 34) << align;
    wide.resize(17, 2);
    EXPECT_EQ(wide.getRowSpan(), 17) << align;
    LICE_FillRect(&wide, 0, 0, 17, 2, 0xffffffff);
    EXPECT_EQ(LICE_GetPixel(&wide, 16, 1), 0xffffffffu);
  }
}

TEST(LiceMemBitmap, ResizeKeepsAllocationWhenShrinkingAndGrowsByQuarter) {
  LICE_MemBitmap b(100, 100);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.getBits()) % 64, 0u);
  const int first = b.getAllocSize();
  EXPECT_EQ(first, 100 * 100 * 4 + 63);  // a fresh allocation gets exactly the need
  EXPECT_FALSE(b.resize(100, 100));
  EXPECT_TRUE(b.resize(10, 10));
  EXPECT_EQ(b.getAllocSize(), first);
  EXPECT_EQ(b.getWidth(), 10);
  EXPECT_TRUE(b.resize(200, 100));
  EXPECT_EQ(b.getAllocSize(), 200 * 100 * 4 * 5 / 4 + 63);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.getBits()) % 64, 0u);
}

TEST(LiceMemBitmap, NonPositiveOrImpossibleSizeLeavesNoPixels) {
  LICE_MemBitmap b(10, 10);
  EXPECT_TRUE(b.resize(0, 10));
  EXPECT_EQ(b.getBits(), nullptr);
  EXPECT_EQ(b.getWidth(), 0);
  EXPECT_EQ(b.getHeight(), 0);
  EXPECT_FALSE(b.resize(-5, -5));  // still 0 x 0
  EXPECT_TRUE(b.resize(10, 10));
  b.resize(INT_MAX, INT_MAX);  // impossible: no pixels rather than a short buffer
  EXPECT_EQ(b.getBits(), nullptr);
  EXPECT_EQ(b.getWidth(), 0);
  LICE_FillRect(&b, 0, 0, 100, 100, 0xffffffff);  // draws nothing, no crash
  EXPECT_TRUE(b.resize(4, 4));
  EXPECT_NE(b.getBits(), nullptr);
}

// ---------------------------------------------------------------------------
// System bitmaps
// ---------------------------------------------------------------------------

TEST(LiceSysBitmap, RowsAreMultipleOfFourBackedByAContextThatResizeKeepsOrReplaces) {
  LICE_SysBitmap b(5, 7);
  ASSERT_NE(b.getBits(), nullptr);
  EXPECT_NE(b.getDC(), nullptr);
  EXPECT_EQ(b.getRowSpan(), 8);
  EXPECT_EQ(b.getWidth(), 5);
  EXPECT_EQ(b.getHeight(), 7);
  EXPECT_EQ(b.getBits(), SWELL_GetCtxFrameBuffer(b.getDC()));
  // Shrinking keeps the context; growing replaces it.
  HDC__* dc = b.getDC();
  EXPECT_TRUE(b.resize(4, 6));
  EXPECT_EQ(b.getDC(), dc);
  EXPECT_EQ(b.getRowSpan(), 8);
  EXPECT_TRUE(b.resize(33, 12));
  EXPECT_EQ(b.getRowSpan(), 36);
  EXPECT_NE(b.getBits(), nullptr);
  EXPECT_TRUE(b.resize(0, 12));
  EXPECT_EQ(b.getDC(), nullptr);
  EXPECT_EQ(b.getBits(), nullptr);
}

// ---------------------------------------------------------------------------
// Blit
// ---------------------------------------------------------------------------

TEST(LiceBlit, FullWeightCopyIsExactAndClipped) {
  LICE_MemBitmap d(10, 10), s(6, 6);
  Fill(&d, 0);
  FillCoords(&s);
  LICE_Blit(&d, &s, 7, -2, 0, 0, 6, 6, 1.0f, LICE_BLIT_MODE_COPY);
  // Source rows 2..5 land on rows 0..3, columns 0..2 on 7..9.
  EXPECT_EQ(LICE_GetPixel(&d, 7, 0), LICE_RGBA(0, 2, 0, 255));
  EXPECT_EQ(LICE_GetPixel(&d, 9, 3), LICE_RGBA(2, 5, 0, 255));
  EXPECT_EQ(CountEqual(&d, 0), 100 - 12);
}

TEST(LiceBlit, AlphaZeroAndOutsideChangeNothing) {
  LICE_MemBitmap d(8, 8), s(8, 8);
  Fill(&d, 0x11223344);
  Fill(&s, 0xffffffff);
  LICE_Blit(&d, &s, 0, 0, 0, 0, 8, 8, 0.0f, 0);
  LICE_Blit(&d, &s, 8, 0, 0, 0, 8, 8, 1.0f, 0);
  LICE_Blit(&d, &s, -8, 0, 0, 0, 8, 8, 1.0f, 0);
  LICE_Blit(&d, &s, 0, 100, 0, 0, 8, 8, 1.0f, 0);
  LICE_Blit(&d, &s, 0, 0, 0, 0, 8, 8, kNaN, 0);
  LICE_Blit(&d, &s, 0, 0, 0, 0, 8, 8, -1.0f, 0);
  LICE_Blit(&d, &s, 0, 0, 0, 0, 8, 8, 0.001f, 0);  // weight 0
  LICE_Blit(&d, &s, 0, 0, 0, 0, -3, 8, 1.0f, 0);
  LICE_Blit(&d, nullptr, 0, 0, 0, 0, 8, 8, 1.0f, 0);
  LICE_Blit(nullptr, &s, 0, 0, 0, 0, 8, 8, 1.0f, 0);
  EXPECT_EQ(CountEqual(&d, 0x11223344), 64);
}

TEST(LiceBlit, OverlappingBlitWithinOneBitmapReadsOriginalPixels) {
  LICE_MemBitmap b(8, 8);
  FillCoords(&b);
  LICE_Blit(&b, &b, 1, 1, 0, 0, 7, 7, 1.0f, 0);
  for (int y = 1; y < 8; ++y)
    for (int x = 1; x < 8; ++x) ASSERT_EQ(LICE_GetPixel(&b, x, y), LICE_RGBA(x - 1, y - 1, 0, 255));
  FillCoords(&b);
  LICE_Blit(&b, &b, 0, 0, 1, 0, 7, 8, 0.75f, LICE_BLIT_MODE_ADD);
  // Each pixel adds its right neighbour's original red at weight 192.
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&b, 2, 0)), 2 + 3 * 192 / 256);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&b, 3, 0)), 3 + 4 * 192 / 256);
}

TEST(LiceBlit, FlippedBitmapsAreAddressedBottomUp) {
  FlippedBitmap d(4, 3);
  LICE_MemBitmap s(4, 3);
  FillCoords(&s);
  LICE_Blit(&d, &s, 0, 0, 0, 0, 4, 3, 1.0f, 0);
  EXPECT_EQ(d.stored(1, 2), LICE_RGBA(1, 0, 0, 255));  // top row is stored last
  EXPECT_EQ(d.stored(3, 0), LICE_RGBA(3, 2, 0, 255));
  LICE_FillRect(&d, 0, 0, 4, 1, 0x12345678);
  EXPECT_EQ(d.stored(0, 2), 0x12345678u);
  EXPECT_EQ(LICE_GetPixel(&d, 0, 0), 0x12345678u);
}

TEST(LiceBlit, CopyResizesDestination) {
  LICE_MemBitmap d(2, 2), s(5, 3);
  FillCoords(&s);
  LICE_Copy(&d, &s);
  EXPECT_EQ(d.getWidth(), 5);
  EXPECT_EQ(d.getHeight(), 3);
  EXPECT_EQ(LICE_GetPixel(&d, 4, 2), LICE_RGBA(4, 2, 0, 255));
  LICE_Copy(&d, nullptr);
  LICE_Copy(nullptr, &s);
  LICE_Copy(&d, &d);
  EXPECT_EQ(d.getWidth(), 5);
}

// ---------------------------------------------------------------------------
// Fills and pixels
// ---------------------------------------------------------------------------

TEST(LiceFill, QuarterStepsUseShiftForms) {
  LICE_MemBitmap b(1, 1);
  const LICE_pixel white = 0xffffffff;
  struct Case {
    float alpha;
    LICE_pixel want;
  };
  // Over black: 3/4 -> 127 + 63, 1/2 -> 127, 1/4 -> 63.
  for (Case c : {Case{0.75f, 0xbebebebe}, Case{0.5f, 0x7f7f7f7f}, Case{0.25f, 0x3f3f3f3f},
                 Case{1.0f, white}}) {
    b.getBits()[0] = 0;
    LICE_FillRect(&b, 0, 0, 1, 1, white, c.alpha, 0);
    EXPECT_EQ(b.getBits()[0], c.want) << c.alpha;
  }
  // Other weights use the copy formula: 0 + (255 - 0) ... truncated.
  b.getBits()[0] = 0;
  LICE_FillRect(&b, 0, 0, 1, 1, LICE_RGBA(200, 200, 200, 200), 0.37f, 0);
  const int w = int(0.37f * 256);
  const int want = 200 + (0 - 200) * (256 - w) / 256;
  EXPECT_EQ(b.getBits()[0], LICE_RGBA(want, want, want, want));
}

TEST(LiceFill, SourceAlphaFlagScalesWeightByColourAlpha) {
  LICE_MemBitmap b(1, 1);
  b.getBits()[0] = 0;
  // Colour alpha 128 at alpha 1.0 gives w = int(128 / 255 * 256) = 128: half and half.
  LICE_FillRect(&b, 0, 0, 1, 1, LICE_RGBA(255, 255, 255, 128), 1.0f, LICE_BLIT_USE_ALPHA);
  EXPECT_EQ(b.getBits()[0], LICE_MixHalf(0, LICE_RGBA(255, 255, 255, 128)));
  b.getBits()[0] = 0x10101010;
  LICE_FillRect(&b, 0, 0, 1, 1, LICE_RGBA(255, 255, 255, 0), 1.0f, LICE_BLIT_USE_ALPHA);
  EXPECT_EQ(b.getBits()[0], 0x10101010u);
}

TEST(LiceFill, ClearRectMasksAlpha) {
  LICE_MemBitmap b(3, 3);
  Fill(&b, LICE_RGBA(10, 20, 30, 255));
  LICE_ClearRect(&b, 1, 1, 10, 10, 0xFFFFFF00, 0);
  EXPECT_EQ(LICE_GetPixel(&b, 1, 1), LICE_RGBA(10, 20, 30, 0));
  EXPECT_EQ(LICE_GetPixel(&b, 2, 2), LICE_RGBA(10, 20, 30, 0));
  EXPECT_EQ(LICE_GetPixel(&b, 0, 1), LICE_RGBA(10, 20, 30, 255));
  LICE_ClearRect(&b, 0, 0, 1, 1, 0, 0x000000ff);
  EXPECT_EQ(LICE_GetPixel(&b, 0, 0), 0x000000ffu);
}

TEST(LiceFill, PutPixelAndGetPixel) {
  LICE_MemBitmap b(3, 3);
  Fill(&b, 0);
  LICE_PutPixel(&b, 2, 1, 0xffffffff, 0.5f, 0);
  EXPECT_EQ(LICE_GetPixel(&b, 2, 1), 0x7f7f7f7fu);
  // The source-alpha flag is not consulted: a transparent colour still lands.
  LICE_PutPixel(&b, 0, 0, LICE_RGBA(9, 8, 7, 0), 1.0f, LICE_BLIT_USE_ALPHA);
  EXPECT_EQ(LICE_GetPixel(&b, 0, 0), LICE_RGBA(9, 8, 7, 0));
  LICE_PutPixel(&b, 3, 0, 0xffffffff, 1.0f, 0);
  LICE_PutPixel(&b, -1, 0, 0xffffffff, 1.0f, 0);
  EXPECT_EQ(LICE_GetPixel(&b, 3, 0), 0u);
  EXPECT_EQ(LICE_GetPixel(&b, 0, -1), 0u);
  EXPECT_EQ(LICE_GetPixel(nullptr, 0, 0), 0u);
  EXPECT_EQ(CountEqual(&b, 0), 7);
}

TEST(LiceFill, GradRectChangesLinearly) {
  LICE_MemBitmap b(4, 3);
  Fill(&b, 0);
  // Red climbs by 0.25 per pixel across, blue by 0.5 per row; opaque.
  LICE_GradRect(&b, 0, 0, 4, 3, 0.0f, 0.0f, 0.0f, 1.0f, 0.25f, 0, 0, 0, 0, 0, 0.5f, 0, 0);
  EXPECT_EQ(LICE_GetPixel(&b, 0, 0), LICE_RGBA(0, 0, 0, 255));
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&b, 2, 0)), 128);
  EXPECT_EQ(LICE_GETB(LICE_GetPixel(&b, 0, 1)), 128);
  EXPECT_EQ(LICE_GetPixel(&b, 3, 2), LICE_RGBA(191, 0, 255, 255));
  // Clipping on the left keeps the gradient anchored at the rectangle's corner.
  Fill(&b, 0);
  LICE_GradRect(&b, -4, 0, 8, 1, 0.0f, 0, 0, 1.0f, 0.125f, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&b, 0, 0)), 128);
}

// ---------------------------------------------------------------------------
// Scaled blit
// ---------------------------------------------------------------------------

TEST(LiceScaledBlit, NearestDoublesEachPixel) {
  LICE_MemBitmap s(2, 2), d(4, 4);
  FillCoords(&s);
  Fill(&d, 0);
  LICE_ScaledBlit(&d, &s, 0, 0, 4, 4, 0, 0, 2, 2, 1.0f, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(LICE_GetPixel(&d, x, y), LICE_RGBA(x / 2, y / 2, 0, 255));
}

TEST(LiceScaledBlit, SameSizeBecomesPlainBlitAtRoundedPosition) {
  LICE_MemBitmap s(8, 8), d(4, 4);
  FillCoords(&s);
  LICE_ScaledBlit(&d, &s, 0, 0, 4, 4, 2.4f, 3.6f, 4.0f, 4.0f, 1.0f, 0);
  EXPECT_EQ(LICE_GetPixel(&d, 0, 0), LICE_RGBA(2, 4, 0, 255));
  EXPECT_EQ(LICE_GetPixel(&d, 3, 3), LICE_RGBA(5, 7, 0, 255));
  // Halves round up, whatever the parity of the pixel below.
  LICE_ScaledBlit(&d, &s, 0, 0, 4, 4, 2.5f, 1.5f, 4.0f, 4.0f, 1.0f, 0);
  EXPECT_EQ(LICE_GetPixel(&d, 0, 0), LICE_RGBA(3, 2, 0, 255));
  // With the filter flag the shortcut needs whole source coordinates (within 0.03).
  LICE_ScaledBlit(&d, &s, 0, 0, 4, 4, 1.02f, 2.98f, 4.0f, 4.0f, 1.0f, LICE_BLIT_FILTER_BILINEAR);
  EXPECT_EQ(LICE_GetPixel(&d, 0, 0), LICE_RGBA(1, 3, 0, 255));
}

TEST(LiceScaledBlit, NegativeSizeMirrors) {
  LICE_MemBitmap s(4, 1), d(4, 1);
  FillCoords(&s);
  // Width -4 at x 4: the box covers 0..3 and the source runs right to left.
  LICE_ScaledBlit(&d, &s, 4, 0, -4, 1, 0, 0, 4, 1, 1.0f, 0);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(LICE_GETR(LICE_GetPixel(&d, x, 0)), 3 - x);
  // Source and destination of the same negative size: a plain blit of negative width.
  Fill(&d, 0);
  LICE_ScaledBlit(&d, &s, 4, 0, -4, 1, 4, 0, -4, 1, 1.0f, 0);
  EXPECT_EQ(CountEqual(&d, 0), 4);
}

TEST(LiceScaledBlit, BilinearInterpolatesBetweenPixels) {
  LICE_MemBitmap s(2, 1), d(4, 1);
  s.getBits()[0] = LICE_RGBA(0, 0, 0, 255);
  s.getBits()[1] = LICE_RGBA(200, 200, 200, 255);
  LICE_ScaledBlit(&d, &s, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, LICE_BLIT_FILTER_BILINEAR);
  const int r0 = LICE_GETR(LICE_GetPixel(&d, 0, 0)), r1 = LICE_GETR(LICE_GetPixel(&d, 1, 0));
  const int r2 = LICE_GETR(LICE_GetPixel(&d, 2, 0)), r3 = LICE_GETR(LICE_GetPixel(&d, 3, 0));
  EXPECT_EQ(r0, 0);    // at the edge, clamped
  EXPECT_EQ(r1, 50);   // a quarter of the way
  EXPECT_EQ(r2, 150);  // three quarters
  EXPECT_EQ(r3, 200);
}

TEST(LiceScaledBlit, SourceOutsideBitmapDrawsNothingThere) {
  LICE_MemBitmap s(2, 2), d(4, 4);
  Fill(&s, 0xffffffff);
  Fill(&d, 0);
  LICE_ScaledBlit(&d, &s, 0, 0, 4, 4, -2, -2, 4, 4, 1.0f, 0);
  EXPECT_EQ(CountEqual(&d, 0xffffffff), 4);
  EXPECT_EQ(LICE_GetPixel(&d, 3, 3), 0xffffffffu);
}

TEST(LiceScaledBlit, ChannelCopyWhenScaling) {
  LICE_MemBitmap s(1, 1), d(2, 2);
  s.getBits()[0] = LICE_RGBA(10, 20, 30, 40);
  Fill(&d, LICE_RGBA(1, 2, 3, 4));
  // Source blue into destination red.
  const int mode = LICE_BLIT_MODE_CHANCOPY | (LICE_PIXEL_R << 2) | LICE_PIXEL_B;
  LICE_ScaledBlit(&d, &s, 0, 0, 2, 2, 0, 0, 1, 1, 1.0f, mode);
  EXPECT_EQ(CountEqual(&d, LICE_RGBA(30, 2, 3, 4)), 4);
  // Channel copies ignore the weight, as in the plain blit: a weight that rounds to 0
  // still moves the byte.
  Fill(&d, LICE_RGBA(1, 2, 3, 4));
  LICE_ScaledBlit(&d, &s, 0, 0, 2, 2, 0, 0, 1, 1, 0.001f, mode);
  EXPECT_EQ(CountEqual(&d, LICE_RGBA(30, 2, 3, 4)), 4);
  LICE_MemBitmap one(1, 1);
  one.getBits()[0] = LICE_RGBA(1, 2, 3, 4);
  LICE_Blit(&one, &s, 0, 0, 0, 0, 1, 1, 0.001f, mode);
  EXPECT_EQ(one.getBits()[0], LICE_RGBA(30, 2, 3, 4));
}

// Reductions of 1.7x and more with the filter flag average every source pixel a
// destination pixel covers, partly covered ones by the share they contribute.
namespace {

// Vertical stripes one pixel wide: even columns black, odd ones white.
void FillStripes(LICE_IBitmap* bm) {
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x)
      bm->getBits()[y * bm->getRowSpan() + x] =
          (x & 1) ? LICE_RGBA(255, 255, 255, 255) : LICE_RGBA(0, 0, 0, 255);
}

// Mean of one byte of every pixel (shift 0 is alpha, 8 red, 16 green, 24 blue).
double MeanChannel(LICE_IBitmap* bm, int shift) {
  double sum = 0;
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x) sum += (LICE_GetPixel(bm, x, y) >> shift) & 0xff;
  return sum / (double(bm->getWidth()) * bm->getHeight());
}

constexpr int kFilter = LICE_BLIT_FILTER_BILINEAR;

}  // namespace

TEST(LiceScaledBlitReduction, StripesBelowTwoToOneBecomeGrey) {
  LICE_MemBitmap s(19, 19), d(10, 10);
  FillStripes(&s);
  Fill(&d, 0);
  LICE_ScaledBlit(&d, &s, 0, 0, 10, 10, 0, 0, 19, 19, 1.0f, kFilter);
  // Each destination pixel covers 1.9 columns, about half of them white.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const LICE_pixel p = LICE_GetPixel(&d, x, y);
      EXPECT_GE(LICE_GETR(p), 100) << x << "," << y;
      EXPECT_LE(LICE_GETR(p), 150) << x << "," << y;
      EXPECT_EQ(LICE_GETA(p), 255);
    }
  EXPECT_NEAR(MeanChannel(&d, 8), 9.0 * 255 / 19, 1.0);  // 9 of the 19 columns are white
}

TEST(LiceScaledBlitReduction, PartlyCoveredPixelsCountByTheirShare) {
  // Columns 0, 100, 200, 50, 250 reduced 2.5 times: the first destination pixel takes
  // columns 0 and 1 whole and half of column 2, the second the other half and 3 and 4.
  const int cols[] = {0, 100, 200, 50, 250};
  LICE_MemBitmap s(5, 5), d(2, 2);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) s.getBits()[y * s.getRowSpan() + x] = LICE_RGBA(cols[x], 0, cols[4 - x], 255);
  LICE_ScaledBlit(&d, &s, 0, 0, 2, 2, 0, 0, 5, 5, 1.0f, kFilter);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(LICE_GetPixel(&d, 0, y), LICE_RGBA(80, 0, 160, 255));  // (0+100+100)/2.5, (250+50+100)/2.5
    EXPECT_EQ(LICE_GetPixel(&d, 1, y), LICE_RGBA(160, 0, 80, 255));  // (100+50+250)/2.5, (100+100+0)/2.5
  }
}

TEST(LiceScaledBlitReduction, WholeRatiosGiveThePlainMean) {
  LICE_MemBitmap s(4, 4), d(2, 2);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      s.getBits()[y * s.getRowSpan() + x] = LICE_RGBA(x * 60, y * 40, (x + y) & 1 ? 200 : 0, 100 + x + y);
  LICE_ScaledBlit(&d, &s, 0, 0, 2, 2, 0, 0, 4, 4, 1.0f, kFilter);
  // 2 x 2 blocks: red 0,60 -> 30 and 120,180 -> 150; green 0,40 -> 20 and 80,120 -> 100.
  EXPECT_EQ(LICE_GetPixel(&d, 0, 0), LICE_RGBA(30, 20, 100, 101));
  EXPECT_EQ(LICE_GetPixel(&d, 1, 0), LICE_RGBA(150, 20, 100, 103));
  EXPECT_EQ(LICE_GetPixel(&d, 0, 1), LICE_RGBA(30, 100, 100, 103));
  EXPECT_EQ(LICE_GetPixel(&d, 1, 1), LICE_RGBA(150, 100, 100, 105));
  // 3 x 3 blocks of 0..8 scaled by 10: the mean is 40.
  LICE_MemBitmap s3(9, 9), d3(3, 3);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) s3.getBits()[y * s3.getRowSpan() + x] = LICE_RGBA(((y % 3) * 3 + x % 3) * 10, 0, 0, 255);
  LICE_ScaledBlit(&d3, &s3, 0, 0, 3, 3, 0, 0, 9, 9, 1.0f, kFilter);
  EXPECT_EQ(CountEqual(&d3, LICE_RGBA(40, 0, 0, 255)), 9);
}

TEST(LiceScaledBlitReduction, ConstantStaysConstantAndMeanIsKept) {
  LICE_MemBitmap s(97, 61), d(23, 31);
  Fill(&s, LICE_RGBA(201, 7, 130, 77));
  Fill(&d, 0);
  LICE_ScaledBlit(&d, &s, 0, 0, 23, 31, 0, 0, 97, 61, 1.0f, kFilter);  // 4.2 x 1.97
  EXPECT_EQ(CountEqual(&d, LICE_RGBA(201, 7, 130, 77)), 23 * 31);

  // Random pixels at a non-whole ratio: each channel's mean survives within rounding.
  uint32_t seed = 12345;
  for (int y = 0; y < s.getHeight(); ++y)
    for (int x = 0; x < s.getWidth(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      s.getBits()[y * s.getRowSpan() + x] = seed;
    }
  LICE_ScaledBlit(&d, &s, 0, 0, 23, 31, 0, 0, 97, 61, 1.0f, kFilter);
  for (int shift : {0, 8, 16, 24}) EXPECT_NEAR(MeanChannel(&d, shift), MeanChannel(&s, shift), 1.0) << shift;
}

TEST(LiceScaledBlitReduction, ClippingAndMirroringKeepTheSamePixels) {
  LICE_MemBitmap s(40, 30), full(16, 12), part(16, 12);
  FillCoords(&s);
  Fill(&full, 0);
  LICE_ScaledBlit(&full, &s, 0, 0, 16, 12, 0, 0, 40, 30, 1.0f, kFilter);
  // The same box moved partly off the bitmap: what remains is the same pixels, and the
  // guard pixels outside the box stay as they were.
  Fill(&part, 0x5a5a5a5a);
  LICE_ScaledBlit(&part, &s, -5, 3, 16, 12, 0, 0, 40, 30, 1.0f, kFilter);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) {
      const LICE_pixel want = (x < 11 && y >= 3) ? LICE_GetPixel(&full, x + 5, y - 3) : 0x5a5a5a5a;
      EXPECT_EQ(LICE_GetPixel(&part, x, y), want) << x << "," << y;
    }
  // A negative width mirrors the reduced image.
  Fill(&part, 0);
  LICE_ScaledBlit(&part, &s, 16, 0, -16, 12, 0, 0, 40, 30, 1.0f, kFilter);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_EQ(LICE_GetPixel(&part, x, y), LICE_GetPixel(&full, 15 - x, y));
}

// ---------------------------------------------------------------------------
// Rotated blit
// ---------------------------------------------------------------------------

TEST(LiceRotatedBlit, ClipToSourceRectLeavesOutsidePixels) {
  LICE_MemBitmap s(8, 8), d(4, 4);
  FillCoords(&s);
  Fill(&d, 0x12345678);
  // An eighth of a turn: the box corners map outside the source rectangle.
  LICE_RotatedBlit(&d, &s, 0, 0, 4, 4, 2, 2, 4, 4, float(M_PI / 4), true, 1.0f, 0);
  EXPECT_EQ(LICE_GetPixel(&d, 0, 0), 0x12345678u);
  EXPECT_EQ(LICE_GetPixel(&d, 3, 3), 0x12345678u);
  EXPECT_NE(LICE_GetPixel(&d, 1, 1), 0x12345678u);
  const int untouched = CountEqual(&d, 0x12345678);
  EXPECT_GT(untouched, 0);
  EXPECT_LT(untouched, 8);
  // Without clipping the corners take the bitmap's pixels beyond the rectangle.
  Fill(&d, 0x12345678);
  LICE_RotatedBlit(&d, &s, 0, 0, 4, 4, 2, 2, 4, 4, float(M_PI / 4), false, 1.0f, 0);
  EXPECT_EQ(CountEqual(&d, 0x12345678), 0);
}

// Positive angles turn clockwise on screen (y grows downward), the way knob angles run.
TEST(LiceRotatedBlit, QuarterTurnsGoClockwiseForPositiveAngles) {
  LICE_MemBitmap s(4, 4), d(4, 4);
  FillCoords(&s);
  for (int mode : {0, int(LICE_BLIT_FILTER_BILINEAR)}) {
    // +90 degrees: the top row becomes the right column, top-left going to top-right.
    Fill(&d, 0);
    LICE_RotatedBlit(&d, &s, 0, 0, 4, 4, 0, 0, 4, 4, float(M_PI / 2), false, 1.0f, mode);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(LICE_GetPixel(&d, x, y), LICE_RGBA(y, 3 - x, 0, 255)) << mode << ": " << x << "," << y;
    // -90 degrees: the top row becomes the left column, read upward.
    Fill(&d, 0);
    LICE_RotatedBlit(&d, &s, 0, 0, 4, 4, 0, 0, 4, 4, float(-M_PI / 2), false, 1.0f, mode);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(LICE_GetPixel(&d, x, y), LICE_RGBA(3 - y, x, 0, 255)) << mode << ": " << x << "," << y;
  }
}

// The pivot is the box centre plus (rotxcent, rotycent), in destination pixels.
TEST(LiceRotatedBlit, CentreOffsetsMoveThePivot) {
  LICE_MemBitmap s(4, 4), d(8, 8);
  FillCoords(&s);
  const LICE_pixel kUntouched = 0x11223344;
  // Half a turn about (3, 2), one pixel right of the centre: the image moves two pixels
  // right, so the box's left half finds no source and is left alone.
  Fill(&d, kUntouched);
  LICE_RotatedBlit(&d, &s, 0, 0, 4, 4, 0, 0, 4, 4, float(M_PI), true, 1.0f, 0, 1.0f, 0.0f);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(LICE_GetPixel(&d, x, y), x >= 2 ? LICE_RGBA(5 - x, 3 - y, 0, 255) : kUntouched) << x << "," << y;
  EXPECT_EQ(LICE_GetPixel(&d, 4, 0), kUntouched) << "nothing outside the box";
  // The same about (2, 3), one pixel below the centre: the image moves down two pixels.
  Fill(&d, kUntouched);
  LICE_RotatedBlit(&d, &s, 0, 0, 4, 4, 0, 0, 4, 4, float(M_PI), true, 1.0f, 0, 0.0f, 1.0f);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(LICE_GetPixel(&d, x, y), y >= 2 ? LICE_RGBA(3 - x, 5 - y, 0, 255) : kUntouched) << x << "," << y;
  // A quarter turn about (3, 2): destination (x, y) shows source (y + 1, 4 - x).
  Fill(&d, kUntouched);
  LICE_RotatedBlit(&d, &s, 0, 0, 4, 4, 0, 0, 4, 4, float(M_PI / 2), false, 1.0f, 0, 1.0f, 0.0f);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool covered = x >= 1 && y <= 2;
      EXPECT_EQ(LICE_GetPixel(&d, x, y), covered ? LICE_RGBA(y + 1, 4 - x, 0, 255) : kUntouched) << x << "," << y;
    }
}

TEST(LiceRotatedBlit, BoxesCrossingTheBitmapEdgeAreClipped) {
  LICE_MemBitmap s(6, 6), full(12, 12);
  FillCoords(&s);
  Fill(&full, 0);
  LICE_RotatedBlit(&full, &s, 3, 3, 6, 6, 0, 0, 6, 6, 0.6f, false, 1.0f, LICE_BLIT_FILTER_BILINEAR);
  // The same box four pixels further up and left: what remains is the same pixels.
  GuardedBitmap part(12, 12);
  LICE_RotatedBlit(&part, &s, -1, -1, 6, 6, 0, 0, 6, 6, 0.6f, false, 1.0f, LICE_BLIT_FILTER_BILINEAR);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const LICE_pixel want = (x < 8 && y < 8) ? LICE_GetPixel(&full, x + 4, y + 4) : 0;
      EXPECT_EQ(LICE_GetPixel(&part, x, y), want) << x << "," << y;
    }
  // A box hanging over every edge writes nothing outside the bitmap.
  GuardedBitmap small(4, 4);
  LICE_RotatedBlit(&small, &s, -3, -3, 10, 10, 0, 0, 6, 6, 1.0f, false, 1.0f, 0);
  EXPECT_EQ(small.SpoiltGuardPixels(), 0);
  EXPECT_EQ(CountEqual(&small, 0), 0) << "every pixel lies inside the rotated image";
}

// ---------------------------------------------------------------------------
// Hostile input
// ---------------------------------------------------------------------------

TEST(LiceBadInput, HugeAndNegativeCoordinates) {
  LICE_MemBitmap d(16, 16), s(8, 8);
  Fill(&d, 0);
  FillCoords(&s);
  const int coords[] = {INT_MIN, INT_MIN + 1, -100000, -1, 0, 3, INT_MAX - 1, INT_MAX};
  for (int x : coords)
    for (int w : {INT_MIN, -5, 0, 7, INT_MAX}) EveryPrimitive(&d, &s, x, x, w, w, 1.5f, 1.0f);
}

TEST(LiceBadInput, NaNAndInfiniteFloats) {
  LICE_MemBitmap d(16, 16), s(8, 8);
  FillCoords(&s);
  for (float f : {kNaN, kInf, -kInf, 1e30f, -1e30f})
    for (float alpha : {kNaN, kInf, 0.5f, 1.0f}) EveryPrimitive(&d, &s, 2, 2, 5, 5, f, alpha);
}

TEST(LiceBadInput, EmptyNullAndPixellessBitmaps) {
  LICE_MemBitmap empty, s(4, 4);
  PixellessBitmap ghost;
  for (LICE_IBitmap* d : {static_cast<LICE_IBitmap*>(&empty), static_cast<LICE_IBitmap*>(&ghost),
                          static_cast<LICE_IBitmap*>(nullptr)}) {
    EveryPrimitive(d, &s, 0, 0, 4, 4, 1.0f, 1.0f);
    EveryPrimitive(&s, d, 0, 0, 4, 4, 1.0f, 1.0f);
  }
}
