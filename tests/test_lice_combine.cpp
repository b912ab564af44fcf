// Combine operations: the worked examples, and every operation blitted over random
// pixels checked against the per-channel formulas written out independently here.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "lice.h"
#include "lice_combine.h"

namespace {

struct Px {
  int a, r, g, b;
};

Px Split(LICE_pixel p) { return {LICE_GETA(p), LICE_GETR(p), LICE_GETG(p), LICE_GETB(p)}; }

// Reference formulas, one channel at a time (w is 0..256).
int RefCopy(int d, int s, int w) { return s + (d - s) * (256 - w) / 256; }
int RefAdd(int d, int s, int w) { return std::min(255, d + s * w / 256); }
int RefDodge(int d, int s, int w) {
  const int sw = s * w / 256;
  const int v = sw < 255 ? d * 256 / (256 - sw) : d * 256;
  return std::clamp(v, 0, 255);
}
int RefMul(int d, int s, int w) { return ((s * w + (256 - w) * 256) * d) >> 16; }
int RefOverlay(int d, int s, int w) {
  const int m = (256 - w) * 128, t = s * w + m;
  return std::min(255, ((32768 - t) * d / 256 + t) * d >> 15);
}

using ChanFn = int (*)(int, int, int);

Px ApplyAll(const Px& d, const Px& s, int w, ChanFn f) {
  return {f(d.a, s.a, w), f(d.r, s.r, w), f(d.g, s.g, w), f(d.b, s.b, w)};
}

// Blits a one-pixel source onto a one-pixel destination and returns the result.
LICE_pixel BlitOne(LICE_pixel dst, LICE_pixel src, float alpha, int mode) {
  LICE_MemBitmap d(1, 1), s(1, 1);
  d.getBits()[0] = dst;
  s.getBits()[0] = src;
  LICE_Blit(&d, &s, 0, 0, 0, 0, 1, 1, alpha, mode);
  return d.getBits()[0];
}

// Random pixels blitted as one 64 x 64 image so each case runs the real row loops.
class RandomBlit : public ::testing::Test {
 protected:
  static constexpr int kSide = 64;
  void SetUp() override {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<uint32_t> any;
    for (int i = 0; i < kSide * kSide; ++i) {
      srcPixels[i] = any(rng);
      dstPixels[i] = any(rng);
    }
  }
  // Runs the blit and calls check(dest before, source, dest after) for every pixel.
  template <class Check>
  void Run(float alpha, int mode, Check check) {
    LICE_MemBitmap d(kSide, kSide), s(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        d.getBits()[y * d.getRowSpan() + x] = dstPixels[y * kSide + x];
        s.getBits()[y * s.getRowSpan() + x] = srcPixels[y * kSide + x];
      }
    LICE_Blit(&d, &s, 0, 0, 0, 0, kSide, kSide, alpha, mode);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        check(Split(dstPixels[y * kSide + x]), Split(srcPixels[y * kSide + x]),
              Split(d.getBits()[y * d.getRowSpan() + x]));
  }
  LICE_pixel srcPixels[kSide * kSide];
  LICE_pixel dstPixels[kSide * kSide];
};

#define EXPECT_PX_EQ(want, got)        \
  do {                                 \
    const Px w_ = (want), g_ = (got);  \
    ASSERT_EQ(w_.a, g_.a);             \
    ASSERT_EQ(w_.r, g_.r);             \
    ASSERT_EQ(w_.g, g_.g);             \
    ASSERT_EQ(w_.b, g_.b);             \
  } while (0)

}  // namespace

// ---------------------------------------------------------------------------
// Pixel layout
// ---------------------------------------------------------------------------

TEST(LicePixel, BytesInMemoryAreAlphaRedGreenBlue) {
  const LICE_pixel p = LICE_RGBA(0x11, 0x22, 0x33, 0x44);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&p);
  EXPECT_EQ(bytes[LICE_PIXEL_A], 0x44);
  EXPECT_EQ(bytes[LICE_PIXEL_R], 0x11);
  EXPECT_EQ(bytes[LICE_PIXEL_G], 0x22);
  EXPECT_EQ(bytes[LICE_PIXEL_B], 0x33);
  EXPECT_EQ(bytes[0], 0x44);
  EXPECT_EQ(p, 0x44u + 0x11u * 256u + 0x22u * 65536u + 0x33u * 16777216u);
  EXPECT_EQ(LICE_GETA(p), 0x44);
  EXPECT_EQ(LICE_GETR(p), 0x11);
  EXPECT_EQ(LICE_GETG(p), 0x22);
  EXPECT_EQ(LICE_GETB(p), 0x33);
}

// ---------------------------------------------------------------------------
// Worked examples
// ---------------------------------------------------------------------------

TEST(LiceCombineExamples, CopyHalfWeightOfHundredWithTwoHundredIsOneFifty) {
  const LICE_pixel got = BlitOne(LICE_RGBA(100, 100, 100, 100), LICE_RGBA(200, 200, 200, 200),
                                 128.0f / 256.0f + 0.001f, LICE_BLIT_MODE_COPY);
  EXPECT_EQ(got, LICE_RGBA(150, 150, 150, 150));
  // Through the generic copy too (weight given directly).
  LICE_pixel_chan px[4] = {100, 100, 100, 100};
  LICE_CombineCopy::doPix(px, 200, 200, 200, 200, 128);
  EXPECT_EQ(px[LICE_PIXEL_R], 150);
}

TEST(LiceCombineExamples, CopyFullWeightStoresSource) {
  LICE_pixel_chan px[4] = {100, 100, 100, 100};
  LICE_CombineCopy::doPix(px, 200, 200, 200, 200, 256);
  EXPECT_EQ(px[LICE_PIXEL_G], 200);
  // Just below full weight the copy formula applies with w = 255.
  EXPECT_EQ(BlitOne(LICE_RGBA(100, 100, 100, 100), LICE_RGBA(200, 1, 2, 3), 0.9999f, 0),
            LICE_RGBA(RefCopy(100, 200, 255), RefCopy(100, 1, 255), RefCopy(100, 2, 255),
                      RefCopy(100, 3, 255)));
}

TEST(LiceCombineExamples, CopyRoundsTowardDestinationForDarkerSource) {
  // (100 - 200) * 129 / 256 truncates toward zero: -50, not -51.
  LICE_pixel_chan px[4] = {200, 200, 200, 200};
  LICE_CombineCopy::doPix(px, 100, 100, 100, 100, 127);
  EXPECT_EQ(px[LICE_PIXEL_R], 100 + (200 - 100) * 129 / 256);
  LICE_pixel_chan px2[4] = {100, 100, 100, 100};
  LICE_CombineCopy::doPix(px2, 200, 200, 200, 200, 127);
  EXPECT_EQ(px2[LICE_PIXEL_R], 200 - 50);
}

TEST(LiceCombineExamples, AddSaturates) {
  const LICE_pixel got = BlitOne(LICE_RGBA(100, 100, 100, 100), LICE_RGBA(200, 200, 200, 200),
                                 1.0f, LICE_BLIT_MODE_ADD);
  EXPECT_EQ(got, LICE_RGBA(255, 255, 255, 255));
}

TEST(LiceCombineExamples, HalfMixAtAlphaExactlyHalf) {
  const LICE_pixel got = BlitOne(LICE_RGBA(101, 0, 255, 7), LICE_RGBA(51, 255, 255, 9), 0.5f,
                                 LICE_BLIT_MODE_COPY);
  EXPECT_EQ(got, LICE_RGBA(50 + 25, 127, 254, 3 + 4));
}

TEST(LiceCombineExamples, UnknownModeByteDrawsNothing) {
  for (int mode : {6, 0x7f, 0xef}) EXPECT_EQ(BlitOne(0x12345678, 0x9abcdef0, 1.0f, mode), 0x12345678u);
}

// ---------------------------------------------------------------------------
// Plain operations against the reference, random pixels, several weights
// ---------------------------------------------------------------------------

TEST_F(RandomBlit, CopyMatchesFormulaAtEveryWeight) {
  for (int w : {1, 37, 95, 127, 129, 200, 255}) {
    Run(float(w) / 256.0f, LICE_BLIT_MODE_COPY, [&](Px d, Px s, Px got) {
      EXPECT_PX_EQ(ApplyAll(d, s, w, RefCopy), got);
    });
  }
}

TEST_F(RandomBlit, FullWeightCopyIsExact) {
  Run(1.0f, LICE_BLIT_MODE_COPY, [&](Px, Px s, Px got) { EXPECT_PX_EQ(s, got); });
}

TEST_F(RandomBlit, AddMatchesFormula) {
  for (int w : {1, 64, 100, 256})
    Run(float(w) / 256.0f, LICE_BLIT_MODE_ADD,
        [&](Px d, Px s, Px got) { EXPECT_PX_EQ(ApplyAll(d, s, w, RefAdd), got); });
}

TEST_F(RandomBlit, DodgeMatchesFormula) {
  for (int w : {1, 64, 200, 256})
    Run(float(w) / 256.0f, LICE_BLIT_MODE_DODGE,
        [&](Px d, Px s, Px got) { EXPECT_PX_EQ(ApplyAll(d, s, w, RefDodge), got); });
}

TEST_F(RandomBlit, MultiplyMatchesFormula) {
  for (int w : {1, 64, 200, 256})
    Run(float(w) / 256.0f, LICE_BLIT_MODE_MUL,
        [&](Px d, Px s, Px got) { EXPECT_PX_EQ(ApplyAll(d, s, w, RefMul), got); });
}

TEST_F(RandomBlit, OverlayMatchesFormula) {
  for (int w : {1, 64, 200, 256})
    Run(float(w) / 256.0f, LICE_BLIT_MODE_OVERLAY,
        [&](Px d, Px s, Px got) { EXPECT_PX_EQ(ApplyAll(d, s, w, RefOverlay), got); });
}

TEST_F(RandomBlit, HalfMixMatchesShiftFormula) {
  Run(0.5f, LICE_BLIT_MODE_COPY, [&](Px d, Px s, Px got) {
    EXPECT_PX_EQ((Px{(d.a >> 1) + (s.a >> 1), (d.r >> 1) + (s.r >> 1), (d.g >> 1) + (s.g >> 1),
                     (d.b >> 1) + (s.b >> 1)}),
                 got);
  });
}

TEST_F(RandomBlit, ChannelCopyMovesOneByte) {
  // Source green (2) into destination alpha (0).
  const int mode = LICE_BLIT_MODE_CHANCOPY | (LICE_PIXEL_A << 2) | LICE_PIXEL_G;
  Run(1.0f, mode, [&](Px d, Px s, Px got) { EXPECT_PX_EQ((Px{s.g, d.r, d.g, d.b}), got); });
}

// ---------------------------------------------------------------------------
// Source-alpha variants
// ---------------------------------------------------------------------------

TEST_F(RandomBlit, CopyWithSourceAlphaMatchesFormula) {
  for (int w : {64, 100, 255}) {
    Run(float(w) / 256.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, [&](Px d, Px s, Px got) {
      if (s.a == 0) {
        EXPECT_PX_EQ(d, got);
        return;
      }
      const int ws = w * (s.a + 1) / 256;
      EXPECT_PX_EQ((Px{std::min(255, d.a + ws), RefCopy(d.r, s.r, ws), RefCopy(d.g, s.g, ws),
                       RefCopy(d.b, s.b, ws)}),
                   got);
    });
  }
}

TEST_F(RandomBlit, CopyWithSourceAlphaAtFullWeightUsesAlphaAsFactor) {
  Run(1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, [&](Px d, Px s, Px got) {
    if (s.a == 0) {
      EXPECT_PX_EQ(d, got);
    } else if (s.a == 255) {
      EXPECT_PX_EQ((Px{255, s.r, s.g, s.b}), got);
    } else {
      const int k = 255 - s.a;
      EXPECT_PX_EQ((Px{std::min(255, d.a + s.a), s.r + (d.r - s.r) * k / 256,
                       s.g + (d.g - s.g) * k / 256, s.b + (d.b - s.b) * k / 256}),
                   got);
    }
  });
}

TEST(LiceCombineSourceAlpha, FullWeightSpecialCases) {
  const LICE_pixel dst = LICE_RGBA(10, 20, 30, 40);
  const int mode = LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;
  EXPECT_EQ(BlitOne(dst, LICE_RGBA(200, 200, 200, 0), 1.0f, mode), dst);
  EXPECT_EQ(BlitOne(dst, LICE_RGBA(200, 150, 100, 255), 1.0f, mode), LICE_RGBA(200, 150, 100, 255));
}

TEST_F(RandomBlit, OtherOperationsWithSourceAlphaUseScaledWeight) {
  struct Case {
    int mode;
    ChanFn f;
  };
  for (Case c : {Case{LICE_BLIT_MODE_ADD, RefAdd}, Case{LICE_BLIT_MODE_DODGE, RefDodge},
                 Case{LICE_BLIT_MODE_MUL, RefMul}, Case{LICE_BLIT_MODE_OVERLAY, RefOverlay}}) {
    for (int w : {77, 256}) {
      Run(float(w) / 256.0f, c.mode | LICE_BLIT_USE_ALPHA, [&](Px d, Px s, Px got) {
        if (s.a == 0) {
          EXPECT_PX_EQ(d, got);
          return;
        }
        EXPECT_PX_EQ(ApplyAll(d, s, w * (s.a + 1) / 256, c.f), got);
      });
    }
  }
}

// ---------------------------------------------------------------------------
// HSV adjust
// ---------------------------------------------------------------------------

TEST(LiceCombineHSV, ConversionRoundTripsPrimaryAndGreyColours) {
  const int colours[][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
                            {0, 255, 255}, {255, 0, 255}, {128, 128, 128}, {0, 0, 0}};
  for (const auto& c : colours) {
    int h, s, v, r, g, b;
    LICE_RGB2HSV(c[0], c[1], c[2], &h, &s, &v);
    EXPECT_GE(h, 0);
    EXPECT_LT(h, 384);
    LICE_HSV2RGB(h, s, v, &r, &g, &b);
    EXPECT_EQ(r, c[0]);
    EXPECT_EQ(g, c[1]);
    EXPECT_EQ(b, c[2]);
  }
}

TEST(LiceCombineHSV, HueSectorsAreSixtyFourWide) {
  int h, s, v;
  LICE_RGB2HSV(255, 0, 0, &h, &s, &v);
  EXPECT_EQ(h, 0);
  LICE_RGB2HSV(0, 255, 0, &h, &s, &v);
  EXPECT_EQ(h, 128);
  LICE_RGB2HSV(0, 0, 255, &h, &s, &v);
  EXPECT_EQ(h, 256);
  EXPECT_EQ(s, 255);
  EXPECT_EQ(v, 255);
}

TEST(LiceCombineHSV, NeutralSourceKeepsColourAndTakesSourceAlpha) {
  // S.red 128 gives a hue shift of w * (192 - 192) / 256 = 0; green and blue 128 keep
  // saturation and value.
  const LICE_pixel got =
      BlitOne(LICE_RGBA(255, 0, 0, 10), LICE_RGBA(128, 128, 128, 99), 1.0f, LICE_BLIT_MODE_HSVADJ);
  EXPECT_EQ(got, LICE_RGBA(255, 0, 0, 99));
}

TEST(LiceCombineHSV, HueShiftAndValueChange) {
  // S.red 255 at full weight: hue += (382.5 - 192) -> 190 (truncated), red (0) becomes
  // close to cyan (192).
  LICE_pixel got =
      BlitOne(LICE_RGBA(255, 0, 0, 255), LICE_RGBA(255, 128, 128, 255), 1.0f, LICE_BLIT_MODE_HSVADJ);
  EXPECT_LT(LICE_GETR(got), 20);
  EXPECT_GT(LICE_GETG(got), 230);
  EXPECT_GT(LICE_GETB(got), 230);
  // S.blue 0 at half weight: value += 128 * (0 - 128) / 128.
  got = BlitOne(LICE_RGBA(200, 200, 200, 255), LICE_RGBA(128, 128, 0, 255), 0.5f,
                LICE_BLIT_MODE_HSVADJ);
  EXPECT_EQ(got, LICE_RGBA(72, 72, 72, 255));
  // Saturation clamps at 0: a fully desaturating source gives grey at the same value.
  got = BlitOne(LICE_RGBA(255, 0, 0, 255), LICE_RGBA(128, 0, 128, 255), 1.0f,
                LICE_BLIT_MODE_HSVADJ);
  EXPECT_EQ(got, LICE_RGBA(255, 255, 255, 255));
}

// ---------------------------------------------------------------------------
// Dispatch
// ---------------------------------------------------------------------------

TEST(LiceCombineDispatch, WeightFromAlphaHandlesOddValues) {
  EXPECT_EQ(LICE_WeightFromAlpha(0.0f), 0);
  EXPECT_EQ(LICE_WeightFromAlpha(-1.0f), 0);
  EXPECT_EQ(LICE_WeightFromAlpha(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(LICE_WeightFromAlpha(1e30f), 256);
  EXPECT_EQ(LICE_WeightFromAlpha(0.37f), 94);
  EXPECT_EQ(LICE_WeightFromAlpha(0.5f), 128);
}

TEST(LiceCombineDispatch, PlainCombinePicksShiftFormsForQuarterWeights) {
  LICE_pixel_chan px[4];
  const LICE_pixel d = LICE_RGBA(0, 0, 0, 0), s = LICE_RGBA(255, 255, 255, 255);
  for (int w : {192, 128, 64}) {
    LICE_StorePix(px, d);
    ASSERT_TRUE(LICE_WithPlainCombine(0, w, [&](auto op) {
      decltype(op)::doPix(px, 255, 255, 255, 255, w);
    }));
    const LICE_pixel want = w == 192 ? LICE_MixThreeQuarters(d, s)
                                     : (w == 128 ? LICE_MixHalf(d, s) : LICE_MixQuarter(d, s));
    EXPECT_EQ(LICE_LoadPix(px), want);
  }
  EXPECT_EQ(LICE_MixThreeQuarters(0, 0xffffffffu), 0xbebebebeu);  // 127 + 63
  EXPECT_EQ(LICE_MixQuarter(0, 0xffffffffu), 0x3f3f3f3fu);
  EXPECT_FALSE(LICE_WithPlainCombine(0, 0, [](auto) {}));
  EXPECT_FALSE(LICE_WithPlainCombine(6, 256, [](auto) {}));
}
