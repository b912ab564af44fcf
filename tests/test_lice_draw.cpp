// Lines, circles, arcs, rounded rectangles and polygons: which pixels they touch,
// how hard, and that no input can make them write outside the bitmap.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "guarded_bitmap.h"
#include "lice.h"

namespace {

const LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 0);
const LICE_pixel kWhite = LICE_RGBA(255, 255, 255, 255);
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

void Clear(LICE_IBitmap* bm, LICE_pixel c = kBlack) {
  LICE_FillRect(bm, 0, 0, bm->getWidth(), bm->getHeight(), c, 1.0f, LICE_BLIT_MODE_COPY);
}

typedef std::set<std::pair<int, int>> PixelSet;

// Pixels that differ from `background`.
PixelSet Touched(LICE_IBitmap* bm, LICE_pixel background = kBlack) {
  PixelSet s;
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x)
      if (LICE_GetPixel(bm, x, y) != background) s.insert({x, y});
  return s;
}

int MaxRed(LICE_IBitmap* bm) {
  int m = 0;
  for (int y = 0; y < bm->getHeight(); ++y)
    for (int x = 0; x < bm->getWidth(); ++x) m = std::max(m, LICE_GETR(LICE_GetPixel(bm, x, y)));
  return m;
}

// Additive ink of red 1: a pixel drawn twice shows up as 2.
const LICE_pixel kOneRed = LICE_RGBA(1, 0, 0, 0);

}  // namespace

// ---------------------------------------------------------------------------
// Integer lines
// ---------------------------------------------------------------------------

TEST(LiceLine, ZeroLengthLineDrawsOnePixel) {
  for (bool aa : {false, true}) {
    LICE_MemBitmap bm(10, 10);
    Clear(&bm);
    LICE_Line(&bm, 5, 5, 5, 5, kWhite, 1.0f, LICE_BLIT_MODE_COPY, aa);
    EXPECT_EQ(Touched(&bm), (PixelSet{{5, 5}})) << "aa=" << aa;
  }
}

TEST(LiceLine, VerticalAndDiagonalLinesAreExact) {
  LICE_MemBitmap bm(8, 8);
  Clear(&bm);
  LICE_Line(&bm, 2, 6, 2, 1, kWhite, 1.0f, 0, true);
  PixelSet want;
  for (int y = 1; y <= 6; ++y) want.insert({2, y});
  EXPECT_EQ(Touched(&bm), want);

  Clear(&bm);
  LICE_Line(&bm, 7, 0, 0, 7, kWhite, 1.0f, 0, true);  // antialiasing changes nothing at 45 degrees
  want.clear();
  for (int i = 0; i < 8; ++i) want.insert({7 - i, i});
  EXPECT_EQ(Touched(&bm), want);
}

// The shift forms of the copy mode on the dedicated loops: weights 0.75, 0.5, 0.25.
TEST(LiceLine, CopyQuarterStepsUseByteShifts) {
  struct Case {
    float alpha;
    int expect;  // from 0 towards 200
  } cases[] = {{0.75f, (200 >> 1) + (200 >> 2)}, {0.5f, 200 >> 1}, {0.25f, 200 >> 2}};
  for (const Case& c : cases) {
    LICE_MemBitmap bm(6, 6);
    Clear(&bm);
    LICE_Line(&bm, 0, 2, 5, 2, LICE_RGBA(200, 200, 200, 200), c.alpha, 0, false);
    EXPECT_EQ(LICE_GetPixel(&bm, 3, 2), LICE_RGBA(c.expect, c.expect, c.expect, c.expect))
        << c.alpha;
  }
  // Any other weight goes through the copy formula: 0 + (200 - 0) * w / 256, rounded
  // toward the destination.
  LICE_MemBitmap bm(6, 6);
  Clear(&bm);
  LICE_Line(&bm, 1, 0, 1, 5, LICE_RGBA(200, 0, 0, 0), 0.3f, 0, false);
  const int w = (int)(0.3f * 256);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, 1, 4)), 200 + (0 - 200) * (256 - w) / 256);
}

TEST(LiceLine, AddModeSaturatesAndUnknownModesDrawNothing) {
  LICE_MemBitmap bm(6, 6);
  Clear(&bm, LICE_RGBA(100, 100, 100, 100));
  LICE_Line(&bm, 0, 0, 5, 3, LICE_RGBA(200, 200, 200, 200), 1.0f, LICE_BLIT_MODE_ADD, false);
  EXPECT_EQ(LICE_GetPixel(&bm, 0, 0), LICE_RGBA(255, 255, 255, 255));

  Clear(&bm);
  LICE_Line(&bm, 0, 0, 5, 3, kWhite, 1.0f, 6, false);
  LICE_Line(&bm, 0, 0, 5, 3, kWhite, 1.0f, LICE_BLIT_MODE_CHANCOPY, true);
  LICE_Line(&bm, 0, 0, 5, 3, kWhite, 0.0f, 0, false);
  LICE_Line(&bm, 0, 0, 5, 3, kWhite, kNaN, 0, false);
  EXPECT_TRUE(Touched(&bm).empty());
}

// Random segments without antialiasing: one pixel per step of the major axis, both
// ends drawn, each pixel within half a pixel of the ideal line, the same pixels
// whichever way round the segment is given, and no pixel drawn twice.
TEST(LiceLine, SteppedLinesFollowTheIdealLine) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> coord(0, 39);
  LICE_MemBitmap bm(40, 40), back(40, 40);
  for (int trial = 0; trial < 300; ++trial) {
    const int x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
    Clear(&bm);
    LICE_Line(&bm, x1, y1, x2, y2, kOneRed, 1.0f, LICE_BLIT_MODE_ADD, false);
    ASSERT_LE(MaxRed(&bm), 1) << "pixel drawn twice";
    const PixelSet px = Touched(&bm);
    const int adx = std::abs(x2 - x1), ady = std::abs(y2 - y1);
    ASSERT_EQ((int)px.size(), std::max(adx, ady) + 1);
    ASSERT_TRUE(px.count({x1, y1}) && px.count({x2, y2}));
    for (const auto& p : px) {
      // Distance along the minor axis from the ideal line.
      double off;
      if (adx >= ady)
        off = adx ? std::fabs(p.second - (y1 + (double)(y2 - y1) * (p.first - x1) / (x2 - x1))) : 0;
      else
        off = std::fabs(p.first - (x1 + (double)(x2 - x1) * (p.second - y1) / (y2 - y1)));
      ASSERT_LE(off, 0.5 + 1e-3) << x1 << "," << y1 << " " << x2 << "," << y2;
    }
    Clear(&back);
    LICE_Line(&back, x2, y2, x1, y1, kOneRed, 1.0f, LICE_BLIT_MODE_ADD, false);
    ASSERT_EQ(Touched(&back), px);
  }
}

// The minor axis follows a truncated 16.16 slope, not the exact one: on a long
// line the accumulated truncation tips a near-tie. From (0, 0) to (301, 59), column
// 125 lies at y = 24.5017; the fixed-point sum stays just below one half.
TEST(LiceLine, SlopedLinesStepWithAFixedPointSlope) {
  LICE_MemBitmap bm(310, 70);
  Clear(&bm);
  LICE_Line(&bm, 0, 0, 301, 59, kWhite, 1.0f, 0, false);
  EXPECT_EQ(LICE_GetPixel(&bm, 125, 24), kWhite);
  EXPECT_EQ(LICE_GetPixel(&bm, 125, 25), kBlack);

}

// Antialiased sloped lines in copy mode at the weights that have shift forms elsewhere
// (1.0, 0.75, 0.5, 0.25): each step splits the weight between the two pixels that straddle
// the line by the accumulated 16.16 fraction, far = w * fraction >> 16, near = w - far.
// Source 200 over 100 in every byte, so a pixel hit with weight k reads
// 200 + (100 - 200) * (256 - k) / 256.
namespace {

const LICE_pixel kGreyDest = LICE_RGBA(100, 100, 100, 100);
const LICE_pixel kGreyInk = LICE_RGBA(200, 200, 200, 200);

int CopiedAt(int k) { return 200 - (100 * (256 - k)) / 256; }

struct Hit {
  int x, y, weight;
};

// Draws the segment both ways round and checks every pixel of a 12 x 12 bitmap against
// the hits (pixels not listed keep the destination), with the segment optionally mirrored
// left-right and/or transposed so that every octant is covered by the same numbers.
void ExpectHits(int x1, int y1, int x2, int y2, float alpha, bool aa, const std::vector<Hit>& hits) {
  for (int transform = 0; transform < 4; ++transform) {
    const bool mirror = transform & 1, transpose = transform & 2;
    auto map = [&](int x, int y) {
      if (mirror) x = 10 - x;
      return transpose ? std::make_pair(y, x) : std::make_pair(x, y);
    };
    std::map<std::pair<int, int>, int> want;
    for (const Hit& h : hits) want[map(h.x, h.y)] = CopiedAt(h.weight);
    const auto a = map(x1, y1), b = map(x2, y2);
    for (bool reversed : {false, true}) {
      LICE_MemBitmap bm(12, 12);
      Clear(&bm, kGreyDest);
      if (reversed)
        LICE_Line(&bm, b.first, b.second, a.first, a.second, kGreyInk, alpha, LICE_BLIT_MODE_COPY, aa);
      else
        LICE_Line(&bm, a.first, a.second, b.first, b.second, kGreyInk, alpha, LICE_BLIT_MODE_COPY, aa);
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
          const auto it = want.find({x, y});
          const int v = it == want.end() ? 100 : it->second;
          ASSERT_EQ(LICE_GetPixel(&bm, x, y), LICE_RGBA(v, v, v, v))
              << "alpha " << alpha << " aa " << aa << " transform " << transform << " reversed " << reversed
              << " at " << x << "," << y;
        }
    }
  }
}

}  // namespace

TEST(LiceLine, AntialiasedSlopeOfAQuarterAtTheShiftWeights) {
  // (0, 0) to (4, 1): slope 0x4000. From the start: step 0 fraction 0, step 1 a quarter,
  // step 2 (the middle) a half; from the end the same, mirrored.
  struct Case {
    float alpha;
    int w, quarterNear, quarterFar, half;
  } const cases[] = {
      {1.0f, 256, 192, 64, 128},
      {0.75f, 192, 144, 48, 96},
      {0.5f, 128, 96, 32, 64},
      {0.25f, 64, 48, 16, 32},
  };
  for (const Case& c : cases) {
    ExpectHits(0, 0, 4, 1, c.alpha, true,
               {{0, 0, c.w}, {1, 0, c.quarterNear}, {1, 1, c.quarterFar}, {2, 0, c.half}, {2, 1, c.half},
                {3, 1, c.quarterNear}, {3, 0, c.quarterFar}, {4, 1, c.w}});
  }
}

TEST(LiceLine, AntialiasedSlopeOfTwoFifthsUsesTheTruncatedFraction) {
  // (0, 0) to (5, 2): slope (2 << 16) / 5 = 26214. Step 1: fraction 26214, step 2: 52428.
  // Weight 256: far 102 and 204; weight 128: far 51 and 102; weight 192: 76 and 153.
  struct Case {
    float alpha;
    int w, far1, far2;
  } const cases[] = {{1.0f, 256, 102, 204}, {0.75f, 192, 76, 153}, {0.5f, 128, 51, 102}, {0.25f, 64, 25, 51}};
  for (const Case& c : cases) {
    ExpectHits(0, 0, 5, 2, c.alpha, true,
               {{0, 0, c.w}, {1, 0, c.w - c.far1}, {1, 1, c.far1}, {2, 0, c.w - c.far2}, {2, 1, c.far2},
                {5, 2, c.w}, {4, 2, c.w - c.far1}, {4, 1, c.far1}, {3, 2, c.w - c.far2}, {3, 1, c.far2}});
    // Without antialiasing each step is one pixel at the full weight, moving to the next
    // row once the fraction passes one half (0.4 stays, 0.8 moves).
    ExpectHits(0, 0, 5, 2, c.alpha, false,
               {{0, 0, c.w}, {1, 0, c.w}, {2, 1, c.w}, {3, 1, c.w}, {4, 2, c.w}, {5, 2, c.w}});
  }
}

// Clipping never moves a pixel: a line running off the bitmap draws exactly the
// pixels that the whole line has inside it.
TEST(LiceLine, ClippedLinesKeepTheirPixels) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> coord(-60, 100);
  LICE_MemBitmap big(240, 240), small(40, 40);
  for (int trial = 0; trial < 400; ++trial) {
    const int x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
    const bool aa = trial % 2 == 1;
    Clear(&big);
    Clear(&small);
    LICE_Line(&big, x1 + 100, y1 + 100, x2 + 100, y2 + 100, kWhite, 1.0f, 0, aa);
    LICE_Line(&small, x1, y1, x2, y2, kWhite, 1.0f, 0, aa);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_EQ(LICE_GetPixel(&small, x, y), LICE_GetPixel(&big, x + 100, y + 100))
            << x1 << "," << y1 << " " << x2 << "," << y2 << " aa=" << aa << " at " << x << "," << y;
  }
}

// ---------------------------------------------------------------------------
// Clipping
// ---------------------------------------------------------------------------

TEST(LiceClip, SegmentsAreCutAtTheRectangle) {
  int x1 = -10, y1 = 3, x2 = 10, y2 = 3;
  ASSERT_TRUE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, 4, 4));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 4);
  EXPECT_EQ(y1, 3);
  EXPECT_EQ(y2, 3);

  x1 = -5, y1 = -5, x2 = 15, y2 = 15;  // the diagonal keeps its slope
  ASSERT_TRUE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, 9, 9));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(y1, 0);
  EXPECT_EQ(x2, 9);
  EXPECT_EQ(y2, 9);

  x1 = 2, y1 = 2, x2 = 3, y2 = 4;  // inside: untouched
  ASSERT_TRUE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, 9, 9));
  EXPECT_EQ(x1 * 1000 + y1 * 100 + x2 * 10 + y2, 2234);

  x1 = -5, y1 = 0, x2 = 0, y2 = -5;  // passes by the corner
  EXPECT_FALSE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, 9, 9));
  x1 = 0, y1 = 0, x2 = 1, y2 = 1;  // an empty rectangle keeps nothing
  EXPECT_FALSE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, -1, -1));
  EXPECT_FALSE(LICE_ClipLine(nullptr, &y1, &x2, &y2, 0, 0, 9, 9));
}

TEST(LiceClip, ExtremeIntegerEndPoints) {
  int x1 = INT_MIN, y1 = 5, x2 = INT_MAX, y2 = 5;
  ASSERT_TRUE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, 99, 99));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 99);
  EXPECT_EQ(y1, 5);

  x1 = INT_MIN, y1 = INT_MIN, x2 = INT_MAX, y2 = INT_MAX;
  ASSERT_TRUE(LICE_ClipLine(&x1, &y1, &x2, &y2, 0, 0, 99, 99));
  EXPECT_NEAR(x1, y1, 1);
  EXPECT_NEAR(x2, y2, 1);
  EXPECT_TRUE(x1 >= 0 && x2 <= 99 && y1 >= 0 && y2 <= 99);
}

TEST(LiceClip, FloatSegments) {
  float x1 = -1.5f, y1 = 2.0f, x2 = 3.0f, y2 = 2.0f;
  ASSERT_TRUE(LICE_ClipFLine(&x1, &y1, &x2, &y2, 0, 0, 10, 10));
  EXPECT_FLOAT_EQ(x1, 0.0f);
  EXPECT_FLOAT_EQ(x2, 3.0f);

  x1 = kNaN, y1 = 0, x2 = 5, y2 = 5;
  EXPECT_FALSE(LICE_ClipFLine(&x1, &y1, &x2, &y2, 0, 0, 10, 10));
  x1 = -kInf, y1 = 2, x2 = 5, y2 = 2;
  EXPECT_FALSE(LICE_ClipFLine(&x1, &y1, &x2, &y2, 0, 0, 10, 10));
  x1 = 1e30f, y1 = 1e30f, x2 = -1e30f, y2 = -1e30f;
  ASSERT_TRUE(LICE_ClipFLine(&x1, &y1, &x2, &y2, 0, 0, 10, 10));
  EXPECT_TRUE(x1 >= 0 && x1 <= 10 && x2 >= 0 && x2 <= 10);
}

// ---------------------------------------------------------------------------
// Float lines
// ---------------------------------------------------------------------------

TEST(LiceFLine, SubPixelEndsWeightTheEndPixels) {
  LICE_MemBitmap bm(20, 10);
  Clear(&bm);
  // From the middle of pixel 2 to the middle of pixel 12 on row 4: the end pixels
  // are half covered, the ones between fully.
  LICE_FLine(&bm, 2.0f, 4.0f, 12.0f, 4.0f, LICE_RGBA(255, 0, 0, 0), 1.0f, LICE_BLIT_MODE_ADD, true);
  EXPECT_NEAR(LICE_GETR(LICE_GetPixel(&bm, 2, 4)), 128, 2);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, 7, 4)), 255);
  EXPECT_NEAR(LICE_GETR(LICE_GetPixel(&bm, 12, 4)), 128, 2);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, 13, 4)), 0);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, 7, 3)), 0);

  // Half-way between rows 4 and 5: both rows get half the ink.
  Clear(&bm);
  LICE_FLine(&bm, 3.0f, 4.5f, 15.0f, 4.5f, LICE_RGBA(255, 0, 0, 0), 1.0f, LICE_BLIT_MODE_ADD, true);
  EXPECT_NEAR(LICE_GETR(LICE_GetPixel(&bm, 9, 4)), 128, 2);
  EXPECT_NEAR(LICE_GETR(LICE_GetPixel(&bm, 9, 5)), 128, 2);
}

TEST(LiceFLine, WithoutAntialiasingRoundsToTheIntegerLine) {
  LICE_MemBitmap a(20, 20), b(20, 20);
  Clear(&a);
  Clear(&b);
  LICE_FLine(&a, 1.4f, 2.6f, 17.2f, 9.49f, kWhite, 1.0f, 0, false);
  LICE_Line(&b, 1, 3, 17, 9, kWhite, 1.0f, 0, false);
  EXPECT_EQ(Touched(&a), Touched(&b));
}

// ---------------------------------------------------------------------------
// Circles, discs and arcs
// ---------------------------------------------------------------------------

TEST(LiceCircle, HardOutlineLiesOnTheCircle) {
  LICE_MemBitmap bm(41, 41);
  Clear(&bm);
  LICE_Circle(&bm, 20.0f, 20.0f, 15.0f, kOneRed, 1.0f, LICE_BLIT_MODE_ADD, false);
  EXPECT_EQ(MaxRed(&bm), 1);
  const PixelSet px = Touched(&bm);
  for (const auto& p : px) {
    const double d = std::hypot(p.first - 20.0, p.second - 20.0);
    EXPECT_LT(std::fabs(d - 15.0), 0.5);
  }
  // The four extreme points, and mirror symmetry.
  EXPECT_TRUE(px.count({35, 20}) && px.count({5, 20}) && px.count({20, 5}) && px.count({20, 35}));
  for (const auto& p : px) EXPECT_TRUE(px.count({40 - p.first, p.second}));
  // 8-connected: every pixel has a neighbour in the ring.
  for (const auto& p : px) {
    int n = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if ((dx || dy) && px.count({p.first + dx, p.second + dy})) ++n;
    EXPECT_GE(n, 2);
  }
}

TEST(LiceCircle, DiscCoversExactlyThePixelsWithinRadiusPlusHalf) {
  LICE_MemBitmap bm(30, 30);
  Clear(&bm);
  LICE_FillCircle(&bm, 14.0f, 15.0f, 6.0f, kOneRed, 1.0f, LICE_BLIT_MODE_ADD, false);
  EXPECT_EQ(MaxRed(&bm), 1);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const bool in = std::hypot(x - 14.0, y - 15.0) < 6.5;
      EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, x, y)), in ? 1 : 0) << x << "," << y;
    }
  // Antialiased: full inside, empty well outside, total close to the disc's area.
  Clear(&bm);
  LICE_FillCircle(&bm, 14.5f, 15.25f, 6.0f, LICE_RGBA(255, 0, 0, 0), 1.0f, LICE_BLIT_MODE_ADD,
                  true);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, 14, 15)), 255);
  EXPECT_EQ(LICE_GETR(LICE_GetPixel(&bm, 14, 23)), 0);
  double ink = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) ink += LICE_GETR(LICE_GetPixel(&bm, x, y)) / 255.0;
  EXPECT_NEAR(ink, M_PI * 6.5 * 6.5, 3.0);
}

TEST(LiceArc, AnglesRunClockwiseFromStraightUp) {
  LICE_MemBitmap bm(41, 41);
  Clear(&bm);
  LICE_Arc(&bm, 20.0f, 20.0f, 12.0f, 0.0f, (float)(M_PI / 2), kOneRed, 1.0f, LICE_BLIT_MODE_ADD,
           false);
  const PixelSet px = Touched(&bm);
  ASSERT_FALSE(px.empty());
  EXPECT_EQ(MaxRed(&bm), 1);
  for (const auto& p : px)
    EXPECT_TRUE(p.first >= 20 && p.second <= 20) << p.first << "," << p.second;
  EXPECT_TRUE(px.count({20, 8}));   // straight up
  EXPECT_TRUE(px.count({32, 20}));  // three o'clock

  // A full turn or more is the whole circle; the angle order does not matter.
  LICE_MemBitmap full(41, 41), circle(41, 41), swapped(41, 41);
  Clear(&full);
  Clear(&circle);
  Clear(&swapped);
  LICE_Arc(&full, 20.0f, 20.0f, 12.0f, -1.0f, 9.0f, kWhite, 1.0f, 0, true);
  LICE_Circle(&circle, 20.0f, 20.0f, 12.0f, kWhite, 1.0f, 0, true);
  EXPECT_EQ(Touched(&full), Touched(&circle));
  LICE_Arc(&swapped, 20.0f, 20.0f, 12.0f, (float)(M_PI / 2), 0.0f, kOneRed, 1.0f,
           LICE_BLIT_MODE_ADD, false);
  EXPECT_EQ(Touched(&swapped), px);
}

// ---------------------------------------------------------------------------
// Rounded rectangles
// ---------------------------------------------------------------------------

TEST(LiceRoundRect, SquareCornersTraceTheBoxEdge) {
  LICE_MemBitmap bm(20, 20);
  Clear(&bm);
  LICE_RoundRect(&bm, 3.0f, 4.0f, 10.0f, 6.0f, 0, kOneRed, 1.0f, LICE_BLIT_MODE_ADD, false);
  EXPECT_EQ(MaxRed(&bm), 1);
  PixelSet want;
  for (int x = 3; x <= 12; ++x) want.insert({x, 4}), want.insert({x, 9});
  for (int y = 4; y <= 9; ++y) want.insert({3, y}), want.insert({12, y});
  EXPECT_EQ(Touched(&bm), want);
}

TEST(LiceRoundRect, RoundedCornersStayInsideTheBoxAndDrawEachPixelOnce) {
  for (bool aa : {false, true}) {
    LICE_MemBitmap bm(40, 40);
    Clear(&bm);
    LICE_RoundRect(&bm, 5.0f, 6.0f, 25.0f, 20.0f, 5, LICE_RGBA(100, 0, 0, 0), 1.0f,
                   LICE_BLIT_MODE_ADD, aa);
    EXPECT_LE(MaxRed(&bm), 100) << "aa=" << aa;
    const PixelSet px = Touched(&bm);
    EXPECT_FALSE(px.count({5, 6}));  // corner cut away
    EXPECT_FALSE(px.count({29, 25}));
    EXPECT_TRUE(px.count({17, 6}));  // middle of each edge
    EXPECT_TRUE(px.count({17, 25}));
    EXPECT_TRUE(px.count({5, 15}));
    EXPECT_TRUE(px.count({29, 15}));
    for (const auto& p : px) {
      const int m = aa ? 1 : 0;
      EXPECT_TRUE(p.first >= 5 - m && p.first <= 29 + m && p.second >= 6 - m && p.second <= 25 + m);
    }
  }
}

// ---------------------------------------------------------------------------
// Triangles and polygons
// ---------------------------------------------------------------------------

TEST(LicePolygon, TriangleCoversItsInteriorAndEdges) {
  LICE_MemBitmap bm(20, 20);
  Clear(&bm);
  LICE_FillTriangle(&bm, 0, 0, 9, 0, 0, 9, kOneRed, 1.0f, LICE_BLIT_MODE_ADD);
  EXPECT_EQ(MaxRed(&bm), 1);
  PixelSet want;
  for (int y = 0; y <= 9; ++y)
    for (int x = 0; x + y <= 9; ++x) want.insert({x, y});
  EXPECT_EQ(Touched(&bm), want);  // 55 pixels, the hypotenuse included
}

TEST(LicePolygon, ConvexPolygonAndDegenerateShapes) {
  LICE_MemBitmap bm(20, 20);
  Clear(&bm);
  const int xs[] = {2, 6, 6, 2}, ys[] = {2, 2, 6, 6};
  LICE_FillConvexPolygon(&bm, xs, ys, 4, kWhite, 1.0f, 0);
  EXPECT_EQ(Touched(&bm).size(), 25u);

  // A triangle squashed flat still draws its line.
  Clear(&bm);
  LICE_FillTriangle(&bm, 1, 5, 10, 5, 4, 5, kWhite, 1.0f, 0);
  PixelSet want;
  for (int x = 1; x <= 10; ++x) want.insert({x, 5});
  EXPECT_EQ(Touched(&bm), want);

  Clear(&bm);
  LICE_FillConvexPolygon(&bm, nullptr, ys, 4, kWhite, 1.0f, 0);
  LICE_FillConvexPolygon(&bm, xs, ys, 0, kWhite, 1.0f, 0);
  LICE_FillConvexPolygon(&bm, xs, ys, -3, kWhite, 1.0f, 0);
  EXPECT_TRUE(Touched(&bm).empty());
}

// ---------------------------------------------------------------------------
// Hostile input: nothing may crash or write outside the pixels (the sanitizer
// build checks the latter), whatever the coordinates or the bitmap.
// ---------------------------------------------------------------------------

namespace {

void DrawEverything(LICE_IBitmap* bm, int i, int j, float f, float g) {
  LICE_Line(bm, i, j, j, i, kWhite, 1.0f, 0, false);
  LICE_Line(bm, i, j, j, i, kWhite, 0.5f, LICE_BLIT_MODE_ADD, true);
  LICE_Line(bm, i, 1, j, 2, kWhite, 0.3f, 0, true);
  LICE_FLine(bm, f, g, g, f, kWhite, 1.0f, 0, true);
  LICE_FLine(bm, f, 1.0f, 3.0f, g, kWhite, 1.0f, 0, false);
  LICE_Circle(bm, f, g, f, kWhite, 1.0f, 0, true);
  LICE_Circle(bm, 2.0f, 2.0f, g, kWhite, 1.0f, 0, false);
  LICE_FillCircle(bm, f, g, g, kWhite, 1.0f, 0, true);
  LICE_FillCircle(bm, 1.0f, 1.0f, f, kWhite, 0.7f, LICE_BLIT_MODE_OVERLAY, false);
  LICE_Arc(bm, 3.0f, 3.0f, 2.0f, f, g, kWhite, 1.0f, 0, true);
  LICE_Arc(bm, f, g, 5.0f, 0.0f, 1.0f, kWhite, 1.0f, 0, false);
  LICE_RoundRect(bm, f, g, f, g, i, kWhite, 1.0f, 0, true);
  LICE_RoundRect(bm, 0.0f, 0.0f, 10.0f, 10.0f, j, kWhite, 1.0f, 0, false);
  LICE_FillTriangle(bm, i, j, j, i, i, i, kWhite, 1.0f, 0);
  LICE_FillTriangle(bm, i, 0, 3, j, 0, 3, kWhite, 1.0f, LICE_BLIT_MODE_HSVADJ);
  const int xs[] = {i, j, 3, i}, ys[] = {j, 0, i, 5};
  LICE_FillConvexPolygon(bm, xs, ys, 4, kWhite, 1.0f, 0);
}

}  // namespace

TEST(LiceHostileInput, AnyCoordinatesAnyBitmap) {
  const int ints[] = {0, -1, 1, 7, -100000, 100000, INT_MIN, INT_MAX, INT_MIN + 1, INT_MAX - 1};
  const float floats[] = {0.0f, -0.5f, 3.5f, 1e9f, -1e9f, 1e38f, -1e38f, kNaN, kInf, -kInf};
  GuardedBitmap small(7, 5), thin(1, 9);
  LICE_MemBitmap empty(0, 0);
  LICE_IBitmap* bitmaps[] = {&small, &empty, &thin, nullptr};
  for (LICE_IBitmap* bm : bitmaps)
    for (int i : ints)
      for (int j : ints) DrawEverything(bm, i, j, floats[(i & 0xff) % 10], floats[(j & 0xff) % 10]);
  for (LICE_IBitmap* bm : bitmaps)
    for (float f : floats)
      for (float g : floats) DrawEverything(bm, 3, -2, f, g);
  // Nothing lands outside the bitmaps, and the empty one stays empty.
  EXPECT_EQ(small.SpoiltGuardPixels(), 0);
  EXPECT_EQ(thin.SpoiltGuardPixels(), 0);
  EXPECT_EQ(empty.getBits(), nullptr);
  EXPECT_EQ(empty.getWidth(), 0);
  // The shapes that do cross the bitmaps drew there.
  EXPECT_FALSE(Touched(&small).empty());
  EXPECT_FALSE(Touched(&thin).empty());

  // Shapes wholly outside a bitmap, however far, leave every pixel as it was.
  GuardedBitmap clean(7, 5);
  for (int far : {-100000, 100000, INT_MIN, INT_MIN + 1, INT_MAX - 5}) {
    LICE_Line(&clean, far, far, far, far + 1, kWhite, 1.0f, 0, true);
    LICE_Line(&clean, far, 2, far, 3, kWhite, 1.0f, 0, false);
    LICE_FillTriangle(&clean, far, far, far, far + 5, far + 5, far, kWhite, 1.0f, 0);
    LICE_FillCircle(&clean, float(far), float(far), 3.0f, kWhite, 1.0f, 0, true);
    LICE_Circle(&clean, float(far), 2.0f, 3.0f, kWhite, 1.0f, 0, true);
  }
  EXPECT_TRUE(Touched(&clean).empty());
  EXPECT_EQ(clean.SpoiltGuardPixels(), 0);
}

TEST(LiceHostileInput, HugeShapesStillDrawWhatCrossesTheBitmap) {
  LICE_MemBitmap bm(16, 16);
  Clear(&bm);
  // A circle so large that its edge passes through the bitmap as a near-vertical line.
  LICE_Circle(&bm, 1e6f + 8.0f, 8.0f, 1e6f, kWhite, 1.0f, 0, false);
  EXPECT_EQ(LICE_GetPixel(&bm, 8, 8), kWhite);
  EXPECT_EQ(LICE_GetPixel(&bm, 3, 8), kBlack);
  // A disc covering everything fills everything.
  LICE_FillCircle(&bm, 0.0f, 0.0f, 1e7f, kWhite, 1.0f, 0, false);
  EXPECT_EQ(Touched(&bm, kWhite).size(), 0u);
  // A triangle with far-away corners fills the bitmap it spans.
  Clear(&bm);
  LICE_FillTriangle(&bm, -1000000000, -10, 1000000000, -10, 0, 1000000000, kWhite, 1.0f, 0);
  EXPECT_EQ(LICE_GetPixel(&bm, 8, 8), kWhite);
}
