// The graphics records and the context's drawing operations: what each paints, where
// it clips (to the draw rectangle or only to the bitmap), and bad input.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "IBitmapMonoText.h"
#include "editor_test_canvas.h"

namespace {

const LICE_pixel kBlack = Opaque(0, 0, 0);
const LICE_pixel kRed = Opaque(255, 0, 0);
const IColor kRedColor(255, 255, 0, 0);

// ---- Records ------------------------------------------------------------------------------

TEST(IRECT, EmptinessWidthsAndMiddles) {
  EXPECT_TRUE(IRECT().Empty());
  EXPECT_FALSE(IRECT(5, 0, 5, 10).Empty());  // zero width is not empty
  const IRECT r(10, 20, 31, 40);
  EXPECT_EQ(r.W(), 21);
  EXPECT_EQ(r.H(), 20);
  EXPECT_FLOAT_EQ(r.MW(), 20.5f);
  EXPECT_FLOAT_EQ(r.MH(), 30.0f);
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_FALSE(r.Contains(31, 20));  // right and bottom are exclusive
  EXPECT_FALSE(r.Contains(10, 40));
  EXPECT_FALSE(IRECT().Contains(0, 0));
}

TEST(IRECT, IntersectionCountsTouchingOnThisRightEdgeOnly) {
  const IRECT a(0, 0, 10, 10), b(10, 0, 20, 10);
  EXPECT_TRUE(a.Intersects(&b));
  EXPECT_EQ(a.Intersect(&b), IRECT(10, 0, 10, 10));
  EXPECT_FALSE(b.Intersects(&a));
  EXPECT_TRUE(b.Intersect(&a).Empty());
  const IRECT below(0, 10, 10, 20);
  EXPECT_TRUE(a.Intersects(&below));
  EXPECT_FALSE(below.Intersects(&a));
  const IRECT empty;
  EXPECT_FALSE(a.Intersects(&empty));
  EXPECT_FALSE(empty.Intersects(&a));
}

TEST(IRECT, UnionSkipsAnEmptyOperand) {
  const IRECT a(10, 10, 20, 20), b(30, 5, 40, 15), empty;
  EXPECT_EQ(a.Union(&b), IRECT(10, 5, 40, 20));
  EXPECT_EQ(empty.Union(&a), a);
  EXPECT_EQ(a.Union(&empty), a);
  // An operand at the origin is still a rectangle when it is not all zero.
  const IRECT origin(0, 0, 1, 1);
  EXPECT_EQ(a.Union(&origin), IRECT(0, 0, 20, 20));
}

TEST(IColor, PacksLowBytesInRasterOrder) {
  const IColor c(0x11, 0x22, 0x33, 0x44);
  EXPECT_EQ(LiceColor(&c), 0x11u + 0x22u * 256u + 0x33u * 65536u + 0x44u * 16777216u);
  const IColor wide(0x1ff, 0x122, -1, 0x244);  // only the low byte of each counts
  EXPECT_EQ(LiceColor(&wide), LICE_RGBA(0x22, 0xff, 0x44, 0xff));
}

TEST(IChannelBlend, SelectsRasterModes) {
  EXPECT_EQ(LiceBlendMode(nullptr), LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
  EXPECT_FLOAT_EQ(LiceWeight(nullptr), 1.0f);
  const IChannelBlend clobber(IChannelBlend::kBlendClobber, 0.25f);
  EXPECT_EQ(LiceBlendMode(&clobber), LICE_BLIT_MODE_COPY);
  EXPECT_FLOAT_EQ(LiceWeight(&clobber), 0.25f);
  const IChannelBlend other(static_cast<IChannelBlend::EBlendMethod>(9));
  EXPECT_EQ(LiceBlendMode(&other), LiceBlendMode(nullptr));
}

TEST(IText, AnOverlongFaceNameIsCutToTheField) {
  EXPECT_STREQ(IText().mFont, "Verdana");
  const IText longName(10, &COLOR_RED, "A face name far longer than thirty-one characters");
  EXPECT_EQ(strlen(longName.mFont), size_t(FONT_LEN - 1));
}

// ---- Blits --------------------------------------------------------------------------------

// A bitmap whose pixel at (x, y) is opaque with red x and green y, so a blit's source
// position can be read back from the destination.
LICE_MemBitmap* CoordinateBitmap(int w, int h) {
  auto* bm = new LICE_MemBitmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bm->getBits()[y * bm->getRowSpan() + x] = Opaque(x & 0xff, y & 0xff, 0);
  return bm;
}

TEST(DrawBitmap, ClipsToTheDrawRectangleAndShiftsTheSource) {
  TestCanvas c;
  LICE_MemBitmap* src = CoordinateBitmap(40, 40);
  IBitmap bm(src, 40, 40);
  c.SetClip(IRECT(15, 12, 30, 20));
  IRECT dest(10, 10, 40, 40);
  EXPECT_TRUE(c.gfx.DrawBitmap(&bm, &dest, 3, 4));
  EXPECT_EQ(c.At(15, 12), Opaque(3 + 5, 4 + 2, 0));  // source moved by the clipped amount
  EXPECT_EQ(c.At(29, 19), Opaque(3 + 19, 4 + 9, 0));
  EXPECT_EQ(c.At(14, 12), kBlack);
  EXPECT_EQ(c.At(30, 12), kBlack);
  EXPECT_EQ(c.At(15, 20), kBlack);
  // A destination that does not meet the draw rectangle draws nothing.
  c.Clear(kBlack);
  IRECT away(40, 30, 60, 40);
  EXPECT_TRUE(c.gfx.DrawBitmap(&bm, &away, 0, 0));
  EXPECT_EQ(c.Count(kBlack), 64 * 48);
  delete src;
}

TEST(DrawBitmap, FrameOffsetsRoundAndFrameOneIsTheOrigin) {
  TestCanvas c(64, 64);
  LICE_MemBitmap* strip = CoordinateBitmap(48, 2880);
  IBitmap knob(strip, 48, 2880, 60);
  IRECT dest(0, 0, 48, 48);
  c.gfx.DrawBitmap(&knob, &dest, 31);
  EXPECT_EQ(c.At(0, 0), Opaque(0, 1440 & 0xff, 0));  // int(30 * 2880 / 60 + 0.5) = 1440
  c.gfx.DrawBitmap(&knob, &dest, 1);
  EXPECT_EQ(c.At(0, 0), Opaque(0, 0, 0));
  c.gfx.DrawBitmap(&knob, &dest, 0);
  EXPECT_EQ(c.At(5, 5), Opaque(5, 5, 0));
  // Horizontal frames of a width that is not a multiple: 100 / 3 per frame, rounded.
  LICE_MemBitmap* row = CoordinateBitmap(100, 10);
  IBitmap horiz(row, 100, 10, 3, true);
  c.gfx.DrawBitmap(&horiz, &dest, 2);
  EXPECT_EQ(c.At(0, 0), Opaque(33, 0, 0));
  c.gfx.DrawBitmap(&horiz, &dest, 3);
  EXPECT_EQ(c.At(0, 0), Opaque(67, 0, 0));
  // One frame: every frame number draws from the origin.
  IBitmap single(row, 100, 10, 1);
  c.gfx.DrawBitmap(&single, &dest, 5);
  EXPECT_EQ(c.At(7, 3), Opaque(7, 3, 0));
  delete strip;
  delete row;
}

TEST(DrawBitmap, BlendsSelectHowSourceAlphaCounts) {
  TestCanvas c(8, 8);
  LICE_MemBitmap src(4, 4);
  FillBitmap(&src, LICE_RGBA(255, 255, 255, 0));  // white, fully transparent
  IBitmap bm(&src, 4, 4);
  IRECT dest(0, 0, 4, 4);
  c.gfx.DrawBitmap(&bm, &dest, 1);  // normal: transparent pixels leave the destination
  EXPECT_EQ(c.At(1, 1), kBlack);
  const IChannelBlend clobber(IChannelBlend::kBlendClobber);
  c.gfx.DrawBitmap(&bm, &dest, 1, &clobber);  // clobber copies, alpha and all
  EXPECT_EQ(c.At(1, 1), LICE_RGBA(255, 255, 255, 0));
  FillBitmap(&src, LICE_RGBA(100, 0, 0, 255));
  c.Clear(Opaque(100, 0, 0));
  const IChannelBlend add(IChannelBlend::kBlendAdd);
  c.gfx.DrawBitmap(&bm, &dest, 1, &add);
  EXPECT_EQ(LICE_GETR(c.At(2, 2)), 200);
}

TEST(DrawBitmap, BadInputDrawsNothing) {
  TestCanvas c(16, 16);
  LICE_MemBitmap* src = CoordinateBitmap(8, 8);
  IBitmap bm(src, 8, 8);
  IBitmap none;
  IRECT dest(0, 0, 8, 8);
  EXPECT_FALSE(c.gfx.DrawBitmap(nullptr, &dest, 1));
  EXPECT_FALSE(c.gfx.DrawBitmap(&none, &dest, 1));  // a handle whose image is missing
  EXPECT_FALSE(c.gfx.DrawBitmap(&bm, nullptr, 1));
  IRECT inverted(8, 8, 0, 0);
  c.gfx.DrawBitmap(&bm, &inverted, 1);
  IRECT huge(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  c.gfx.DrawBitmap(&bm, &huge, INT_MAX, INT_MIN);
  IBitmap twoFrames(src, 8, 8, 2);
  c.gfx.DrawBitmap(&twoFrames, &dest, INT_MAX);  // a frame far beyond the strip
  EXPECT_EQ(c.Count(kBlack), 16 * 16);
  // Without a draw bitmap nothing can be drawn.
  IGraphicsHeadless unprepared(nullptr, 16, 16);
  EXPECT_FALSE(unprepared.DrawBitmap(&bm, &dest, 1));
  EXPECT_FALSE(unprepared.FillIRect(&kRedColor, &dest));
  EXPECT_EQ(unprepared.GetBits(), nullptr);
  delete src;
}

TEST(DrawRotatedBitmap, IsCentredAndNotClippedToTheDrawRectangle) {
  TestCanvas c(40, 40);
  LICE_MemBitmap src(10, 6);
  FillBitmap(&src, kRed);
  IBitmap bm(&src, 10, 6);
  c.SetClip(IRECT(0, 0, 1, 1));
  EXPECT_TRUE(c.gfx.DrawRotatedBitmap(&bm, 20, 20, 0.0));
  // The box is (20 - 5, 20 - 3) with the bitmap's size.
  EXPECT_EQ(c.At(16, 18), kRed);
  EXPECT_EQ(c.At(23, 21), kRed);
  EXPECT_EQ(c.At(10, 10), kBlack);
  EXPECT_EQ(c.At(30, 30), kBlack);
  // A quarter turn stands the bar upright.
  c.Clear(kBlack);
  c.gfx.DrawRotatedBitmap(&bm, 20, 20, M_PI / 2);  // within the same 10 x 6 box
  EXPECT_EQ(c.At(20, 17), kRed);
  EXPECT_EQ(c.At(20, 22), kRed);
  EXPECT_EQ(c.At(15, 20), kBlack);
  EXPECT_EQ(c.At(24, 20), kBlack);
}

TEST(DrawRotatedMask, TheMaskGivesTheBaseItsAlphaAndTheResultIsClipped) {
  TestCanvas c(20, 20);
  LICE_MemBitmap base(8, 8), mask(8, 8), top(8, 8);
  FillBitmap(&base, Opaque(0, 0, 255));
  FillBitmap(&mask, LICE_RGBA(0, 0, 0, 0));
  LICE_FillRect(&mask, 0, 0, 4, 8, LICE_RGBA(0, 0, 0, 255), 1.0f, LICE_BLIT_MODE_COPY);
  FillBitmap(&top, LICE_RGBA(0, 255, 0, 0));  // a transparent top adds nothing
  IBitmap b(&base, 8, 8), m(&mask, 8, 8), t(&top, 8, 8);
  c.SetClip(IRECT(0, 0, 20, 8));
  EXPECT_TRUE(c.gfx.DrawRotatedMask(&b, &m, &t, 4, 4, 0.0));
  EXPECT_EQ(c.At(5, 5), Opaque(0, 0, 255));  // where the mask is opaque the base shows
  EXPECT_EQ(c.At(10, 5), kBlack);            // elsewhere it stays transparent
  EXPECT_EQ(c.At(5, 9), kBlack);             // below the draw rectangle: nothing
  // An opaque top covers the base.
  FillBitmap(&top, Opaque(0, 255, 0));
  c.gfx.DrawRotatedMask(&b, &m, &t, 4, 4, 0.0);
  EXPECT_EQ(c.At(5, 5), Opaque(0, 255, 0));
  EXPECT_FALSE(c.gfx.DrawRotatedMask(nullptr, &m, &t, 0, 0, 0.0));
}

// ---- Pixels -------------------------------------------------------------------------------

TEST(Pixels, PointsRoundForcePixelIsBoundedGetPointUnpacks) {
  TestCanvas c(10, 10);
  EXPECT_TRUE(c.gfx.DrawPoint(&kRedColor, 2.5f, 3.49f));
  EXPECT_EQ(c.At(3, 3), kRed);
  const IColor odd(10, 20, 30, 40);
  EXPECT_TRUE(c.gfx.ForcePixel(&odd, 9, 9));
  EXPECT_EQ(c.gfx.GetPoint(9, 9), odd);
  EXPECT_FALSE(c.gfx.ForcePixel(&odd, 10, 0));  // refused, not written past the row
  EXPECT_FALSE(c.gfx.ForcePixel(&odd, -1, 0));
  EXPECT_FALSE(c.gfx.ForcePixel(&odd, 0, 10));
  EXPECT_EQ(c.gfx.GetPoint(-1, 0), IColor(0, 0, 0, 0));
  EXPECT_EQ(c.gfx.GetBits()[0], kBlack);
  // Points far outside or not a number draw nothing and do not crash.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(c.gfx.DrawPoint(&kRedColor, nan, 1.0f));
  c.gfx.DrawPoint(&kRedColor, 1e30f, -1e30f);
  EXPECT_EQ(c.Count(kRed), 1);
  LICE_MemBitmap other(4, 4);
  FillBitmap(&other, kBlack);
  EXPECT_TRUE(c.gfx.DrawPointBitmap(&other, &kRedColor, 0.6f, 0.4f));
  EXPECT_EQ(LICE_GetPixel(&other, 1, 0), kRed);
}

// ---- Lines and shapes ---------------------------------------------------------------------

TEST(Lines, TruncatedEndPointsAndAlphaAsWeight) {
  TestCanvas c(20, 20);
  EXPECT_TRUE(c.gfx.DrawLine(&kRedColor, 2.9f, 5.9f, 10.9f, 5.1f));
  EXPECT_EQ(c.At(2, 5), kRed);
  EXPECT_EQ(c.At(10, 5), kRed);
  EXPECT_EQ(c.At(11, 5), kBlack);
  EXPECT_EQ(c.Count(kRed), 9);
  // The colour's alpha is the weight: half of red over black.
  const IColor halfRed(128, 255, 0, 0);
  const IChannelBlend clobber(IChannelBlend::kBlendClobber, 1.0f);
  c.gfx.DrawLineAlpha(&halfRed, 0, 10, 19, 10, &clobber);
  EXPECT_NEAR(LICE_GETR(c.At(5, 10)), 128, 1);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(c.gfx.DrawLine(&kRedColor, nan, 0, 5, 5));
  c.gfx.DrawLine(&kRedColor, -1e38f, 15, 1e38f, 15);  // held in range, still a row
  EXPECT_EQ(c.At(0, 15), kRed);
  EXPECT_EQ(c.At(19, 15), kRed);
  EXPECT_FALSE(c.gfx.DrawLine(nullptr, 0, 0, 1, 1));
}

TEST(Lines, RectOutlinesLieWhereTheyAreDescribed) {
  TestCanvas c(20, 20);
  IRECT r(2, 3, 8, 9);
  c.gfx.DrawRect(&kRedColor, &r);  // on the right and bottom coordinates
  EXPECT_EQ(c.At(2, 3), kRed);
  EXPECT_EQ(c.At(8, 9), kRed);
  EXPECT_EQ(c.At(8, 5), kRed);
  EXPECT_EQ(c.At(5, 9), kRed);
  EXPECT_EQ(c.At(5, 5), kBlack);
  EXPECT_EQ(c.Count(kRed), 2 * 7 + 2 * 5);
  c.Clear(kBlack);
  c.gfx.DrawRect1(&kRedColor, &r);  // inside the exclusive rectangle
  EXPECT_EQ(c.At(7, 8), kRed);
  EXPECT_EQ(c.At(8, 8), kBlack);
  EXPECT_EQ(c.At(3, 4), kBlack);
  EXPECT_EQ(c.Count(kRed), 2 * 6 + 2 * 4);
}

TEST(Lines, FractionLinesClampAndRadialLinesRunClockwiseFromUp) {
  TestCanvas c(30, 30);
  IRECT r(10, 10, 20, 20);
  c.gfx.DrawVerticalLine(&kRedColor, &r, 0.55f);  // x = 10 + int(10 * 0.55)
  EXPECT_EQ(c.At(15, 10), kRed);
  EXPECT_EQ(c.At(15, 20), kRed);
  c.gfx.DrawVerticalLine(&kRedColor, &r, 7.0f);  // clamped to 1: x = 20
  EXPECT_EQ(c.At(20, 15), kRed);
  c.gfx.DrawHorizontalLine(&kRedColor, &r, 0.3f);  // y = 20 - int(10 * 0.3)
  EXPECT_EQ(c.At(12, 17), kRed);
  c.gfx.DrawHorizontalLine(&kRedColor, &r, -1.0f);  // clamped to 0: y = 20
  EXPECT_EQ(c.At(12, 20), kRed);
  c.Clear(kBlack);
  c.gfx.DrawRadialLine(&kRedColor, 15, 15, 0.0f, 2, 10);
  EXPECT_EQ(c.At(15, 5), kRed);
  EXPECT_EQ(c.At(15, 13), kRed);
  EXPECT_EQ(c.At(15, 16), kBlack);
  c.Clear(kBlack);
  c.gfx.DrawRadialLine(&kRedColor, 15, 15, float(M_PI / 2), 0, 10);
  EXPECT_EQ(c.At(25, 15), kRed);
  EXPECT_EQ(c.At(14, 15), kBlack);
}

TEST(Shapes, FillsClipToTheBitmapNotTheDrawRectangle) {
  TestCanvas c(20, 20);
  c.SetClip(IRECT(0, 0, 2, 2));
  IRECT r(5, 5, 10, 10);
  EXPECT_TRUE(c.gfx.FillIRect(&kRedColor, &r));
  EXPECT_EQ(c.Count(kRed), 25);
  IRECT huge(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  c.gfx.FillIRect(&kRedColor, &huge);
  EXPECT_EQ(c.Count(kRed), 400);
  IRECT inverted(15, 15, 5, 5);
  c.Clear(kBlack);
  c.gfx.FillIRect(&kRedColor, &inverted);
  EXPECT_EQ(c.Count(kRed), 0);
}

TEST(Shapes, RoundedFillLeavesTheCornersOpen) {
  TestCanvas c(30, 30);
  IRECT r(5, 5, 25, 21);
  c.gfx.FillRoundRect(&kRedColor, &r, nullptr, 5, false);
  EXPECT_EQ(c.At(5, 5), kBlack);
  EXPECT_EQ(c.At(24, 20), kBlack);
  EXPECT_EQ(c.At(15, 5), kRed);   // the cross reaches the edges
  EXPECT_EQ(c.At(5, 13), kRed);
  EXPECT_EQ(c.At(24, 13), kRed);
  EXPECT_EQ(c.At(7, 7), kRed);    // the corner discs fill in
  EXPECT_EQ(c.At(25, 13), kBlack);
  EXPECT_EQ(c.At(15, 21), kBlack);
  // Radius 0 is a plain fill.
  c.Clear(kBlack);
  c.gfx.FillRoundRect(&kRedColor, &r, nullptr, 0, false);
  EXPECT_GE(c.Count(kRed, r), r.W() * r.H() - 4);
}

TEST(Shapes, GradientRunsFromTheFirstColourAtTheTopToTheSecondAtTheBottom) {
  TestCanvas c(40, 40);
  IRECT g(0, 0, 10, 11);
  const IColor blue(255, 0, 0, 255);
  const IChannelBlend clobber(IChannelBlend::kBlendClobber);
  c.gfx.FillIRectGrad(&kRedColor, &blue, &g, &clobber);
  EXPECT_NEAR(LICE_GETR(c.At(4, 0)), 255, 1);
  EXPECT_NEAR(LICE_GETB(c.At(4, 10)), 255, 1);
  EXPECT_NEAR(LICE_GETR(c.At(4, 5)), 128, 2);
  EXPECT_EQ(c.At(10, 5), kBlack);
}

TEST(Shapes, ExtremeArgumentsDrawWithinTheBitmapOrNotAtAll) {
  TestCanvas c(16, 16);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  IRECT huge(INT_MIN, INT_MIN, INT_MAX, INT_MAX), inverted(10, 10, -10, -10);
  for (float v : {nan, inf, -inf, 1e30f, -1e30f, 0.0f}) {
    c.gfx.DrawCircle(&kRedColor, v, 8, v, nullptr, true);
    c.gfx.FillCircle(&kRedColor, INT_MAX, INT_MIN, v, nullptr, true);
    c.gfx.DrawArc(&kRedColor, 8, v, 5, v, -v, nullptr, true);
    c.gfx.DrawFLine(&kRedColor, v, 0, 8, v, nullptr, true);
    c.gfx.DrawRadialLine(&kRedColor, 8, 8, v, 0, v, nullptr, true);
    c.gfx.DrawVerticalLine(&kRedColor, &huge, v);
    c.gfx.DrawHorizontalLine(&kRedColor, &inverted, v);
  }
  for (int radius : {INT_MIN, -3, 0, 3, INT_MAX}) {
    c.gfx.RoundRect(&kRedColor, &huge, nullptr, radius, true);
    c.gfx.FillRoundRect(&kRedColor, &inverted, nullptr, radius, true);
    c.gfx.FillRoundRect(&kRedColor, &huge, nullptr, radius, false);
  }
  c.gfx.DrawRect(&kRedColor, &huge);
  c.gfx.DrawRect1(&kRedColor, &huge);
  c.gfx.FillIRectGrad(&kRedColor, nullptr, &huge);
  int xs[] = {INT_MIN, INT_MAX, 0}, ys[] = {INT_MAX, 0, INT_MIN};
  c.gfx.FillIConvexPolygon(&kRedColor, xs, ys, 3);
  c.gfx.FillTriangle(&kRedColor, INT_MIN, INT_MIN, INT_MAX, 0, 0, INT_MAX, nullptr);
  c.gfx.DrawVerticalLine(&kRedColor, INT_MAX, INT_MIN, INT_MAX);
  // Whatever was drawn stayed inside the bitmap (ASan watches the rest).
  EXPECT_GT(c.Count(kRed), 0);
}

TEST(CallerBitmaps, FillUsesOnlyTheSizeAndTranslateMovesContent) {
  TestCanvas c(10, 10);
  LICE_MemBitmap bm(8, 8);
  FillBitmap(&bm, kBlack);
  IRECT size(5, 5, 8, 7);  // 3 x 2 at the bitmap's corner
  c.gfx.FillIRect_TB(&bm, &kRedColor, &size);
  EXPECT_EQ(CountPixels(&bm, kRed), 6);
  EXPECT_EQ(LICE_GetPixel(&bm, 0, 0), kRed);
  EXPECT_TRUE(c.gfx.Translate_TB(&bm, 2, 1));
  EXPECT_EQ(LICE_GetPixel(&bm, 2, 1), kRed);
  EXPECT_EQ(LICE_GetPixel(&bm, 0, 0), 0u);  // uncovered pixels are transparent
  EXPECT_EQ(CountPixels(&bm, kRed), 6);
  // The blit into the draw bitmap clips to the rectangle it is given.
  IRECT dest(0, 0, 8, 8), clip(0, 0, 4, 2);
  c.gfx.DrawBitmap_TB(&bm, 0, 0, &dest, &clip, nullptr);
  EXPECT_EQ(c.At(2, 1), kRed);
  EXPECT_EQ(c.At(4, 1), kBlack);
  EXPECT_TRUE(c.gfx.Scale_TB(&bm, 0.5f, 0.5f));
  EXPECT_FALSE(c.gfx.Scale_TB(&bm, std::numeric_limits<float>::infinity(), 1.0f));
}

// ---- Text ---------------------------------------------------------------------------------

TEST(Text, EmptyTextDrawsNothingAndSucceeds) {
  TestCanvas c;
  IText t;
  IRECT r(0, 0, 64, 48);
  char empty[] = "";
  EXPECT_TRUE(c.gfx.DrawIText(&t, empty, &r));
  EXPECT_TRUE(c.gfx.DrawIText(&t, nullptr, &r));
  EXPECT_EQ(c.Count(kBlack), 64 * 48);
}

TEST(Text, MeasuringAlignsTheBoxAsTheStyleSays) {
  TestCanvas c(300, 40);
  IText t(14, &COLOR_WHITE);
  char str[] = "Threshold";
  IRECT centre(100, 0, 200, 20);
  ASSERT_TRUE(c.gfx.MeasureIText(&t, str, &centre));
  const int w = centre.W();
  EXPECT_GT(w, 20);
  EXPECT_EQ(centre.L, 150 - w / 2);
  EXPECT_GT(centre.B, 10);
  EXPECT_EQ(centre.T, 0);
  t.mAlign = IText::kAlignNear;
  IRECT near(100, 5, 200, 20);
  c.gfx.MeasureIText(&t, str, &near);
  EXPECT_EQ(near, IRECT(100, 5, 100 + w, near.B));
  t.mAlign = IText::kAlignFar;
  IRECT far(100, 5, 200, 20);
  c.gfx.MeasureIText(&t, str, &far);
  EXPECT_EQ(far.L, 200 - w);
  EXPECT_EQ(far.R, 200);
  // Measuring draws nothing.
  EXPECT_EQ(c.Count(kBlack), 300 * 40);
}

TEST(Text, DrawsInItsColourInsideTheRectangle) {
  TestCanvas c(120, 40);
  IText t(16, &COLOR_WHITE);
  IRECT r(10, 5, 110, 35);
  char str[] = "Wet -12.0 dB";
  ASSERT_TRUE(c.gfx.DrawIText(&t, str, &r));
  int lit = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const bool on = LICE_GETR(c.At(x, y)) > 128;
      lit += on;
      if (on) {
        EXPECT_TRUE(r.Contains(x, y)) << x << "," << y;
      }
    }
  EXPECT_GT(lit, 30);
  // Bytes that are not UTF-8 draw nothing and break nothing.
  c.Clear(kBlack);
  char bad[] = "\xff\xfe\xc3";
  c.gfx.DrawIText(&t, bad, &r);
  EXPECT_EQ(c.Count(kBlack), 120 * 40);
  // An over-long text draws (its start) and measures without trouble.
  std::string longText(200000, 'W');
  EXPECT_TRUE(c.gfx.DrawIText(&t, &longText[0], &r));
  IRECT m(0, 0, 10, 10);
  EXPECT_TRUE(c.gfx.MeasureIText(&t, &longText[0], &m));
  EXPECT_GT(m.W(), 1000);
}

TEST(Text, FontsAreCachedPerStyleAndMatchTheRequestedLineHeight) {
  TestCanvas c;
  IText a(13, &COLOR_WHITE), b(13, &COLOR_RED);
  b.mQuality = IText::kQualityAntiAliased;  // quality is not part of the key
  LICE_CachedFont* fa = c.gfx.CacheFont(&a);
  ASSERT_NE(fa, nullptr);
  EXPECT_EQ(a.mCached, fa);
  EXPECT_EQ(c.gfx.CacheFont(&b), fa);
  IText bold(13, &COLOR_WHITE, nullptr, IText::kStyleBold);
  LICE_CachedFont* fb = c.gfx.CacheFont(&bold);
  EXPECT_NE(fb, fa);
  EXPECT_EQ(fb->GetLineHeight(), fa->GetLineHeight() > 0 ? fb->GetLineHeight() : 0);
  // The one retry brings the rendered line height to (or next to) the size.
  EXPECT_NEAR(fa->GetLineHeight(), 13, 1);
  IText tiny(0);
  ASSERT_NE(c.gfx.CacheFont(&tiny), nullptr);  // sizes below 2 ask for 2
  EXPECT_EQ(c.gfx.CacheFont(nullptr), nullptr);
  IText huge(1 << 30);
  EXPECT_NE(c.gfx.CacheFont(&huge), nullptr);
}

// ---- Bitmap-font text ---------------------------------------------------------------------

// A font strip of 96 vertical 4 x 6 frames, frame k (code 31 + k) filled with red k.
struct StripFont {
  StripFont() : bm(4, 6 * 96) {
    for (int k = 1; k <= 96; ++k)
      LICE_FillRect(&bm, 0, (k - 1) * 6, 4, 6, Opaque(k, 0, 0), 1.0f, LICE_BLIT_MODE_COPY);
    handle = IBitmap(&bm, 4, 6 * 96, 96);
  }
  static LICE_pixel Of(char ch) { return Opaque(ch - 31, 0, 0); }
  LICE_MemBitmap bm;
  IBitmap handle;
};

TEST(BitmapedText, SingleLineDrawsOnlyTheWholeCharactersThatFit) {
  TestCanvas c(40, 20);
  StripFont font;
  IText near(12, nullptr, nullptr, IText::kStyleNormal, IText::kAlignNear);
  IRECT r(2, 1, 12, 8);  // 10 wide: two 4-wide characters
  DrawBitmapedText(&c.gfx, &font.handle, &r, &near, nullptr, "ABC", false, false, 4, 6, 0);
  EXPECT_EQ(c.At(2, 1), StripFont::Of('A'));
  EXPECT_EQ(c.At(6, 6), StripFont::Of('B'));
  EXPECT_EQ(c.At(10, 1), kBlack);
  EXPECT_EQ(c.Count(StripFont::Of('C')), 0);
  // Far alignment starts at right - width of the whole text; centre in between.
  c.Clear(kBlack);
  IText far = near;
  far.mAlign = IText::kAlignFar;
  IRECT wide(0, 0, 40, 6);
  DrawBitmapedText(&c.gfx, &font.handle, &wide, &far, nullptr, "AB", false, false, 4, 6, 1);
  EXPECT_EQ(c.At(32, 0), StripFont::Of('A'));
  EXPECT_EQ(c.At(37, 0), StripFont::Of('B'));  // spacing 1 shifts the second
  c.Clear(kBlack);
  IText centre = near;
  centre.mAlign = IText::kAlignCenter;
  DrawBitmapedText(&c.gfx, &font.handle, &wide, &centre, nullptr, "AB", false, false, 4, 6, 0);
  EXPECT_EQ(c.At(16, 0), StripFont::Of('A'));
  EXPECT_EQ(c.At(20, 0), StripFont::Of('B'));
}

TEST(BitmapedText, MultiLineWrapsAndVerticalCentreOffsetsOneLine) {
  TestCanvas c(40, 40);
  StripFont font;
  IText near(12, nullptr, nullptr, IText::kStyleNormal, IText::kAlignNear);
  IRECT r(0, 0, 9, 40);  // two characters per line
  DrawBitmapedText(&c.gfx, &font.handle, &r, &near, nullptr, "ABCDE", false, true, 4, 6, 0);
  EXPECT_EQ(c.At(0, 0), StripFont::Of('A'));
  EXPECT_EQ(c.At(4, 0), StripFont::Of('B'));
  EXPECT_EQ(c.At(0, 6), StripFont::Of('C'));
  EXPECT_EQ(c.At(0, 12), StripFont::Of('E'));
  c.Clear(kBlack);
  IRECT box(0, 10, 20, 30);
  DrawBitmapedText(&c.gfx, &font.handle, &box, &near, nullptr, "A", true, false, 4, 6, 0);
  EXPECT_EQ(c.At(0, 17), StripFont::Of('A'));  // 10 + (30 - 6 - 10) / 2
  EXPECT_EQ(c.At(0, 16), kBlack);
}

TEST(BitmapedText, BadInputDrawsNothing) {
  TestCanvas c(40, 20);
  StripFont font;
  IRECT r(0, 0, 40, 20);
  DrawBitmapedText(&c.gfx, &font.handle, &r, nullptr, nullptr, "A", false, false, 0, 6, 0);
  DrawBitmapedText(&c.gfx, &font.handle, &r, nullptr, nullptr, "A", false, true, 4, 0, 0);
  DrawBitmapedText(&c.gfx, &font.handle, &r, nullptr, nullptr, nullptr, false, false, 4, 6, 0);
  DrawBitmapedText(nullptr, &font.handle, &r, nullptr, nullptr, "A", false, false, 4, 6, 0);
  IRECT none(10, 0, 10, 20);
  DrawBitmapedText(&c.gfx, &font.handle, &none, nullptr, nullptr, "A", false, true, 4, 6, 0);
  EXPECT_EQ(c.Count(kBlack), 40 * 20);
  // Characters without a frame (control codes, bytes of 128 and above) stay blank
  // but keep their place.
  DrawBitmapedText(&c.gfx, &font.handle, &r, nullptr, nullptr, "\x01\xc3" "A", false, false, 4, 6, 0);
  EXPECT_EQ(c.At(8, 0), StripFont::Of('A'));
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(4, 0), kBlack);
  // An over-long text in a narrow box draws what fits.
  std::string longText(100000, 'Z');
  DrawBitmapedText(&c.gfx, &font.handle, &r, nullptr, nullptr, longText.c_str(), false, true, 4, 6, 0);
  EXPECT_EQ(c.At(36, 18), StripFont::Of('Z'));
}

TEST(BitmapTextControl, DrawsItsTextAndMarksItselfDirtyOnlyOnChange) {
  TestCanvas c(40, 20);
  StripFont font;
  IText near(12, nullptr, nullptr, IText::kStyleNormal, IText::kAlignNear);
  IBitmapTextControl ctl(nullptr, IRECT(0, 0, 40, 6), &font.handle, "AB", &near, 4, 6, 0, false,
                         false);
  ctl.SetClean();
  ctl.SetTextFromPlug("AB");
  EXPECT_FALSE(ctl.IsDirty());
  ctl.SetTextFromPlug("BA");
  EXPECT_TRUE(ctl.IsDirty());
  EXPECT_STREQ(ctl.GetTextForDisplay(), "BA");
  EXPECT_TRUE(ctl.Draw(&c.gfx));
  EXPECT_EQ(c.At(0, 0), StripFont::Of('B'));
  EXPECT_EQ(c.At(4, 0), StripFont::Of('A'));
  ctl.SetTextFromPlug(nullptr);
  EXPECT_STREQ(ctl.GetTextForDisplay(), "");
}

}  // namespace
