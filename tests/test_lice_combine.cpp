// Combine operations: the worked examples, and every operation blitted over random
// pixels checked against the per-channel formulas written out independently here.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "lice.h"

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
// Modes
// ---------------------------------------------------------------------------

TEST(LiceCombine, UnknownModeByteDrawsNothing) {
  for (int mode : {6, 0x7f, 0xef}) EXPECT_EQ(BlitOne(0x12345678, 0x9abcdef0, 1.0f, mode), 0x12345678u);
}

// ---------------------------------------------------------------------------
// Plain operations against the reference, random pixels, several weights
// ---------------------------------------------------------------------------

TEST_F(RandomBlit, PlainOperationsMatchFormulas) {
  struct Case {
    int mode;
    ChanFn f;
  };
  for (Case c : {Case{LICE_BLIT_MODE_COPY, RefCopy}, Case{LICE_BLIT_MODE_ADD, RefAdd},
                 Case{LICE_BLIT_MODE_DODGE, RefDodge}, Case{LICE_BLIT_MODE_MUL, RefMul},
                 Case{LICE_BLIT_MODE_OVERLAY, RefOverlay}}) {
    for (int w : {1, 37, 127, 129, 200, 255, 256}) {
      Run(float(w) / 256.0f, c.mode, [&](Px d, Px s, Px got) {
        EXPECT_PX_EQ(ApplyAll(d, s, w, c.f), got);
      });
    }
  }
}

TEST_F(RandomBlit, FillMatchesFormulas) {
  const Px colour = Split(srcPixels[0]);
  struct Case {
    int mode;
    ChanFn f;
  };
  for (Case c : {Case{LICE_BLIT_MODE_COPY, RefCopy}, Case{LICE_BLIT_MODE_ADD, RefAdd},
                 Case{LICE_BLIT_MODE_DODGE, RefDodge}, Case{LICE_BLIT_MODE_MUL, RefMul}}) {
    for (int w : {1, 37, 95, 200, 255}) {
      LICE_MemBitmap d(kSide, kSide);
      for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) d.getBits()[y * d.getRowSpan() + x] = dstPixels[y * kSide + x];
      LICE_FillRect(&d, 0, 0, kSide, kSide, srcPixels[0], float(w) / 256.0f, c.mode);
      for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
          EXPECT_PX_EQ(ApplyAll(Split(dstPixels[y * kSide + x]), colour, w, c.f),
                       Split(d.getBits()[y * d.getRowSpan() + x]));
    }
  }
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

TEST(LiceCombineHSV, NeutralSourceKeepsPrimaryAndGreyColours) {
  // S = (128, 128, 128) shifts nothing, so the colour survives the trip through HSV.
  const LICE_pixel colours[] = {LICE_RGBA(255, 0, 0, 1),     LICE_RGBA(0, 255, 0, 1),
                                LICE_RGBA(0, 0, 255, 1),     LICE_RGBA(255, 255, 0, 1),
                                LICE_RGBA(0, 255, 255, 1),   LICE_RGBA(255, 0, 255, 1),
                                LICE_RGBA(128, 128, 128, 1), LICE_RGBA(0, 0, 0, 1)};
  for (LICE_pixel c : colours)
    EXPECT_EQ(BlitOne(c, LICE_RGBA(128, 128, 128, 77), 1.0f, LICE_BLIT_MODE_HSVADJ),
              (c & 0xffffff00u) | 77u);
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

