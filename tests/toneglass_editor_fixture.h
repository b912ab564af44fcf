// The real plug-in with its headless editor, as a host leaves it after opening, and
// the pixel helpers the editor tests read its bitmap with.
#ifndef TESTS_TONEGLASS_EDITOR_FIXTURE_H_
#define TESTS_TONEGLASS_EDITOR_FIXTURE_H_

#include <algorithm>
#include <memory>
#include <vector>

#include "FreqView.h"
#include "IGraphics.h"
#include "Toneglass.h"

namespace toneglass_editor_test {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Rgb Px(IGraphics* g, int x, int y) {
  const IColor c = g->GetPoint(x, y);
  return Rgb{c.R, c.G, c.B};
}

constexpr Rgb kViewBg{64, 64, 64};
constexpr Rgb kGrid{100, 100, 100};  // lines write the colour itself: its alpha is not blended
constexpr Rgb kZeroDbLine{171, 2, 2};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kPad{176, 176, 176};
constexpr Rgb kPanel{6, 120, 21};

// The view's rectangle in the editor.
constexpr int kL = 4, kT = 40, kR = 696, kB = 300;

inline std::unique_ptr<Toneglass> MakeEditorPlug(double sampleRate = 44100.0, IPlugInstanceInfo info = {nullptr}) {
  auto plug = std::make_unique<Toneglass>(info);
  plug->SetSampleRate(sampleRate);
  plug->OnParamReset();
  plug->Reset();
  return plug;
}

inline void SetPlainParam(Toneglass& plug, int idx, double value) {
  plug.GetParam(idx)->Set(value);
  plug.OnParamChange(idx);
}

// Every bin at one magnitude, handed to the view as the engine hands it.
inline void Feed(FreqView* view, float magnitude) {
  FreqViewData* data = view->mData;
  std::fill(data->mSpectrum.Get(), data->mSpectrum.Get() + data->mNumPoints, magnitude);
  data->PublishSpectrum();
}

// One pass over the whole editor, as when its window first opens.
inline void DrawWhole(IGraphics* g) {
  g->SetAllControlsDirty(false);
  IRECT r;
  if (g->IsDirty(&r)) g->Draw(&r);
}

// The first row from the top of the view to its bottom edge where column x is white;
// -1 when there is none.
inline int CurveRow(IGraphics* g, int x) {
  for (int y = kT; y <= kB; ++y)
    if (Px(g, x, y) == kWhite) return y;
  return -1;
}

}  // namespace toneglass_editor_test

#endif  // TESTS_TONEGLASS_EDITOR_FIXTURE_H_
