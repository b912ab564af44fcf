// SWELL_DrawText and the heap: the texts an editor draws on every frame (labels, values,
// short paragraphs) are laid out in arrays inside the call, and texts around and past
// that size still lay out every line.
#include <gtest/gtest.h>

#include <math.h>

#include <string>

#include "allocation_counter.h"
#include "swell-fontcache.h"
#include "swell-gdi.h"

namespace {

class SwellTextAllocations : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = SWELL_CreateMemContext(nullptr, 320, 200);
    ASSERT_NE(dc, nullptr);
    SWELL_FontInstance* font = SWELL_GetFallbackFont();
    ASSERT_NE(font, nullptr);
    const SWELL_FontMetrics& m = font->metrics;
    lineHeight = static_cast<int>(floor(static_cast<double>(m.ascent) + m.descent + m.leading + 1.5));
  }
  void TearDown() override { SWELL_DeleteGfxContext(dc); }

  // Heap allocations of one draw, once the glyphs it needs are cached.
  long AllocationsOfDraw(const std::string& text, int flags) {
    RECT r = {10, 10, 300, 190};
    SWELL_DrawText(dc, text.c_str(), -1, &r, flags);
    r = {10, 10, 300, 190};
    const long before = AllocationsSoFar();
    SWELL_DrawText(dc, text.c_str(), -1, &r, flags);
    return AllocationsSoFar() - before;
  }
  int MeasuredHeight(const std::string& text) {
    RECT r = {0, 0, 0, 0};
    return SWELL_DrawText(dc, text.c_str(), -1, &r, DT_CALCRECT);
  }

  HDC dc = nullptr;
  int lineHeight = 0;
};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST_F(SwellTextAllocations, LabelsValuesAndShortParagraphsUseNoHeap) {
  EXPECT_EQ(AllocationsOfDraw("Selection Start", DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
  EXPECT_EQ(AllocationsOfDraw("-12.5 dB", DT_CENTER | DT_SINGLELINE | DT_NOCLIP), 0);
  EXPECT_EQ(AllocationsOfDraw("Threshold &Level\nSelection: 1000 Hz\nSize: 3000 Hz", DT_LEFT | DT_TOP), 0);
  // The largest text laid out in place: 512 bytes, every one a line of its own.
  EXPECT_EQ(AllocationsOfDraw(std::string(512, '\n'), DT_LEFT), 0);
  EXPECT_EQ(AllocationsOfDraw(Repeat("ab ", 170) + "ab", DT_LEFT | DT_SINGLELINE), 0);
}

// Around the size laid out in place (512 bytes) and far past it, every line is there:
// k lines measure k line heights and one pixel.
TEST_F(SwellTextAllocations, TextsAroundAndPastTheInlineSizeKeepEveryLine) {
  for (int lines : {1, 2, 32, 33, 255, 256, 257, 300, 1500}) {
    const std::string text = Repeat("x\n", lines - 1) + "x";  // 2 * lines - 1 bytes
    EXPECT_EQ(MeasuredHeight(text), lines * lineHeight + 1) << lines << " lines";
  }
  // Only line feeds: each ends a line, the last opens none.
  for (int feeds : {511, 512, 513, 2000})
    EXPECT_EQ(MeasuredHeight(std::string(static_cast<size_t>(feeds), '\n')), feeds * lineHeight + 1) << feeds;
  // Past the 4095-byte limit the text is cut, as before.
  EXPECT_EQ(MeasuredHeight(Repeat("x\n", 3000)), 2048 * lineHeight + 1);
}

}  // namespace
