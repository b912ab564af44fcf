// The knob is painted twice per frame: once in colour on an opaque ground, once as a
// white-on-black coverage mask of the same shapes. The mask's red channel then becomes
// the frame's alpha, so antialiased edges blend with whatever panel the knob sits on
// instead of carrying a fringe of the ground colour.
#include "knob_painter.h"

#include <cmath>
#include <initializer_list>

namespace knob_filmstrip {
namespace {

constexpr double kPi = 3.14159265358979323846;
// The sweep: from 135 degrees left of straight up to 135 degrees right of it.
constexpr double kMinAngle = -0.75 * kPi;
constexpr double kSweep = 1.5 * kPi;

// Pixel centres lie on integer coordinates: the middle of a 52 x 44 frame.
constexpr float kCx = 25.5f;
constexpr float kCy = 21.5f;
constexpr float kCapRadius = 14.5f;
constexpr float kArcRadii[] = {18.5f, 19.0f, 19.5f, 20.0f, 20.5f};

const LICE_pixel kGround = LICE_RGBA(24, 24, 27, 255);
const LICE_pixel kTrack = LICE_RGBA(44, 46, 52, 255);
const LICE_pixel kValueArc = LICE_RGBA(255, 196, 64, 255);
const LICE_pixel kRim = LICE_RGBA(28, 28, 32, 255);
const LICE_pixel kPointer = LICE_RGBA(248, 248, 248, 255);
const LICE_pixel kWhite = LICE_RGBA(255, 255, 255, 255);
const LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 255);

// Channel-copy blit mode: the source's red byte into the destination's alpha byte.
constexpr int kRedToAlpha = LICE_BLIT_MODE_CHANCOPY | (LICE_PIXEL_A << 2) | LICE_PIXEL_R;

int Lerp(int a, int b, double t) { return static_cast<int>(a + (b - a) * t + 0.5); }

void PaintArc(LICE_IBitmap* bm, double from, double to, LICE_pixel color) {
  for (float r : kArcRadii)
    LICE_Arc(bm, kCx, kCy, r, static_cast<float>(from), static_cast<float>(to), color, 1.0f,
             LICE_BLIT_MODE_COPY, true);
}

// Stacked discs that shrink toward the upper left and lighten as they go: a cap lit
// from above-left, with a soft highlight.
void PaintCap(LICE_IBitmap* bm) {
  constexpr int kSteps = 16;
  for (int k = 0; k < kSteps; ++k) {
    const double t = static_cast<double>(k) / (kSteps - 1);
    const double shade = std::pow(t, 1.6);
    const float r = static_cast<float>(kCapRadius * (1.0 - 0.8 * t));
    const float cx = static_cast<float>(kCx - 3.5 * t);
    const float cy = static_cast<float>(kCy - 4.5 * t);
    const LICE_pixel c = LICE_RGBA(Lerp(62, 214, shade), Lerp(64, 218, shade), Lerp(72, 226, shade), 255);
    LICE_FillCircle(bm, cx, cy, r, c, 1.0f, LICE_BLIT_MODE_COPY, true);
  }
  LICE_Circle(bm, kCx, kCy, kCapRadius, kRim, 1.0f, LICE_BLIT_MODE_COPY, true);
}

// A line about two pixels wide from near the centre toward the cap's edge.
void PaintPointer(LICE_IBitmap* bm, double angle, LICE_pixel color) {
  const double s = std::sin(angle), c = std::cos(angle);
  constexpr double kInner = 4.0, kOuter = 12.5;
  for (double off : {-0.6, 0.0, 0.6}) {
    const double ox = c * off, oy = s * off;  // perpendicular to the pointer
    LICE_FLine(bm, static_cast<float>(kCx + s * kInner + ox), static_cast<float>(kCy - c * kInner + oy),
               static_cast<float>(kCx + s * kOuter + ox), static_cast<float>(kCy - c * kOuter + oy), color,
               1.0f, LICE_BLIT_MODE_COPY, true);
  }
}

}  // namespace

void PaintKnobFrame(LICE_IBitmap* dest, int y0, double value) {
  if (!dest) return;
  const double v = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
  const double angle = kMinAngle + kSweep * v;

  LICE_MemBitmap colour(kFrameWidth, kFrameHeight), mask(kFrameWidth, kFrameHeight);
  LICE_FillRect(&colour, 0, 0, kFrameWidth, kFrameHeight, kGround, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(&mask, 0, 0, kFrameWidth, kFrameHeight, kBlack, 1.0f, LICE_BLIT_MODE_COPY);

  // Track, then the part of it the value has swept.
  PaintArc(&colour, kMinAngle, kMinAngle + kSweep, kTrack);
  PaintArc(&mask, kMinAngle, kMinAngle + kSweep, kWhite);
  if (v > 0.0) PaintArc(&colour, kMinAngle, angle, kValueArc);

  // A soft shadow below and right of the cap, then the cap and its pointer.
  LICE_FillCircle(&mask, kCx + 1.0f, kCy + 1.5f, kCapRadius + 1.0f, kWhite, 0.45f, LICE_BLIT_MODE_COPY, true);
  PaintCap(&colour);
  LICE_FillCircle(&mask, kCx, kCy, kCapRadius, kWhite, 1.0f, LICE_BLIT_MODE_COPY, true);
  PaintPointer(&colour, angle, kPointer);

  LICE_Blit(dest, &colour, 0, y0, 0, 0, kFrameWidth, kFrameHeight, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_Blit(dest, &mask, 0, y0, 0, 0, kFrameWidth, kFrameHeight, 1.0f, kRedToAlpha);
}

LICE_MemBitmap* PaintKnobStrip() {
  auto* strip = new LICE_MemBitmap(kFrameWidth, kFrameHeight * kFrames);
  if (strip->getWidth() != kFrameWidth) {
    delete strip;
    return nullptr;
  }
  for (int i = 0; i < kFrames; ++i)
    PaintKnobFrame(strip, i * kFrameHeight, static_cast<double>(i) / (kFrames - 1));
  return strip;
}

}  // namespace knob_filmstrip
