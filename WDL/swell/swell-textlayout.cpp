#include "swell-textlayout.h"

#include "swell-glyphs.h"

namespace {

bool IsSpace(uint32_t cp) { return cp == ' ' || cp == '\t'; }

// The longest prefix of cps[0..n) no wider than maxWidth, at least one code point.
// Widths grow with the prefix (kerning aside), so bisection finds it.
int FittingPrefix(SWELL_FontInstance* font, const uint32_t* cps, int n, double maxWidth) {
  int lo = 1, hi = n;
  while (lo < hi) {
    const int mid = lo + (hi - lo + 1) / 2;
    if (SWELL_MeasureLine(font, cps, mid) <= maxWidth)
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

// Where a paragraph line that must break after at most fit code points ends: after the last
// space inside it (spaces after the break hang on the line), or at fit when the word alone
// is too wide.
int WrapPoint(const uint32_t* cps, int n, int fit) {
  if (fit < n && IsSpace(cps[fit])) {
    while (fit < n && IsSpace(cps[fit])) fit++;
    return fit;
  }
  for (int i = fit; i > 0; i--)
    if (IsSpace(cps[i - 1])) return i;
  return fit;
}

}  // namespace

int SWELL_LayOutLines(SWELL_FontInstance* font, const uint32_t* cps, int count, double boxWidth,
                      double boxHeight, SWELL_TextLine* lines, int maxLines) {
  if (!font || !cps || count <= 0 || !lines || maxLines <= 0) return 0;
  const SWELL_FontMetrics& m = font->metrics;
  const double extent = static_cast<double>(m.ascent) + m.descent + m.leading;
  int n = 0;
  double used = 0;
  int start = 0;
  while (start < count && n < maxLines) {
    int end = start;
    while (end < count && cps[end] != '\n') end++;
    // One paragraph [start, end), wrapped into as many lines as it needs (an empty one too).
    int at = start;
    do {
      if (used + extent > boxHeight) return n;  // the next line would leave the box
      int len = end - at;
      float width = SWELL_MeasureLine(font, cps + at, len);
      if (width > boxWidth) {
        len = WrapPoint(cps + at, len, FittingPrefix(font, cps + at, len, boxWidth));
        width = SWELL_MeasureLine(font, cps + at, len);
      }
      lines[n++] = {at, len, width};
      used += extent;
      at += len;
    } while (at < end && n < maxLines);
    start = end + 1;  // past the line feed; a final one opens nothing
  }
  return n;
}
