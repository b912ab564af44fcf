// The Cocoa editor's window-free arithmetic: coordinates, modifiers, keys, wheel
// steps, the cursor picture, menu titles, entry filters and dialog answers.
#include <gtest/gtest.h>

#include "CocoaEditorRules.h"
#include "IParam.h"

using namespace cocoa_rules;

TEST(CocoaCoordinates, IRectBecomesAViewRectOnePixelLarger) {
  const ViewRect v = ToViewRect(IRECT(10, 20, 30, 40), 400);
  EXPECT_EQ(v.x, 10);
  EXPECT_EQ(v.y, 359);
  EXPECT_EQ(v.w, 21);
  EXPECT_EQ(v.h, 21);
  // The editor's corners: the whole editor reaches one pixel below the view's bottom.
  const ViewRect all = ToViewRect(IRECT(0, 0, 700, 400), 400);
  EXPECT_EQ(all.x, 0);
  EXPECT_EQ(all.y, -1);
  EXPECT_EQ(all.w, 701);
  EXPECT_EQ(all.h, 401);
}

TEST(CocoaCoordinates, DrawRectBecomesTheEditorRectangle) {
  const IRECT r = FromDrawRect(0, 0, 700, 400, 400);
  EXPECT_EQ(r, IRECT(0, 0, 700, 400));
  // Truncated before converting; the top of the view is the editor's row 0.
  EXPECT_EQ(FromDrawRect(10.9, 359.5, 21.7, 21.2, 400), IRECT(10, 20, 31, 41));
}

TEST(CocoaCoordinates, MousePositionCarriesTheTwoAndThreePixelOffsets) {
  int x = 0, y = 0;
  MousePosition(10.7, 390.2, 400, &x, &y);
  EXPECT_EQ(x, 8);
  EXPECT_EQ(y, 7);
  // The view's corners: top left and bottom right.
  MousePosition(0, 400, 400, &x, &y);
  EXPECT_EQ(x, -2);
  EXPECT_EQ(y, -3);
  MousePosition(699.9, 0.5, 400, &x, &y);
  EXPECT_EQ(x, 697);
  EXPECT_EQ(y, 397);
}

TEST(CocoaModifiers, CommandClickIsLeftAndRight) {
  const IMouseMod plain = LeftButtonMod(false, false, false, false);
  EXPECT_TRUE(plain.L);
  EXPECT_FALSE(plain.R || plain.S || plain.C || plain.A);
  const IMouseMod cmd = LeftButtonMod(true, true, false, true);
  EXPECT_TRUE(cmd.L && cmd.R && cmd.S && cmd.A);
  EXPECT_FALSE(cmd.C);
  const IMouseMod right = RightButtonMod(false, true, false);
  EXPECT_FALSE(right.L);
  EXPECT_TRUE(right.R && right.C);
  EXPECT_FALSE(right.S || right.A);
}

TEST(CocoaWheel, StepIsDeltaYOrElseDeltaXTruncated) {
  EXPECT_EQ(WheelStep(2.0, 0.6), 2);
  EXPECT_EQ(WheelStep(0.0, -1.9), -1);
  EXPECT_EQ(WheelStep(-3.5, 0.0), -3);
  EXPECT_EQ(WheelStep(0.4, 0.4), 0);
}

TEST(CocoaKeys, TableOfEditorKeyCodes) {
  EXPECT_EQ(KeyCode(kVKSpace, ' '), 0);
  EXPECT_EQ(KeyCode(kVKUp, 0xF700), 1);
  EXPECT_EQ(KeyCode(kVKDown, 0xF701), 2);
  EXPECT_EQ(KeyCode(kVKLeft, 0xF702), 3);
  EXPECT_EQ(KeyCode(kVKRight, 0xF703), 4);
  EXPECT_EQ(KeyCode(29, '0'), 5);
  EXPECT_EQ(KeyCode(25, '9'), 14);
  EXPECT_EQ(KeyCode(0, 'a'), 15);
  EXPECT_EQ(KeyCode(0, 'A'), 15);
  EXPECT_EQ(KeyCode(6, 'z'), 40);
  EXPECT_EQ(KeyCode(53, 0x1B), kKeyNone);  // Escape goes to the host
  EXPECT_EQ(KeyCode(-1, '.'), kKeyNone);
  EXPECT_EQ(KeyCode(-1, 0xE9), kKeyNone);  // letters outside A to Z
}

TEST(CocoaCursor, TableWidensEachNibble) {
  unsigned char rgba[kCursorSize * kCursorSize * 4];
  CursorRGBA(rgba);
  auto at = [&](int x, int y) { return rgba + (y * kCursorSize + x) * 4; };
  // 0xF8 at (1, 1): grey 0xFF, alpha 0x88.
  EXPECT_EQ(at(1, 1)[0], 0xFF);
  EXPECT_EQ(at(1, 1)[3], 0x88);
  // 0x0F at (2, 2): black, opaque.
  EXPECT_EQ(at(2, 2)[0], 0x00);
  EXPECT_EQ(at(2, 2)[1], 0x00);
  EXPECT_EQ(at(2, 2)[3], 0xFF);
  // Transparent where the table has 0.
  EXPECT_EQ(at(15, 0)[3], 0x00);
  // The arrow runs along the diagonal: the black shaft passes (8, 8) two to the right.
  EXPECT_EQ(kCursorTable[8][8], 0x0F);
  EXPECT_EQ(kCursorTable[15][15], 0xFF);
  int opaque = 0;
  for (int i = 0; i < kCursorSize * kCursorSize; ++i) opaque += rgba[i * 4 + 3] != 0;
  EXPECT_EQ(opaque, 94);  // counted from the table as designed
}

TEST(CocoaCursor, PremultipliedPictureKeepsOpacityAndScalesGrey) {
  unsigned char rgba[kCursorSize * kCursorSize * 4];
  CursorRGBA(rgba);
  PremultiplyRGBA(rgba, kCursorSize * kCursorSize);
  auto at = [&](int x, int y) { return rgba + (y * kCursorSize + x) * 4; };
  // Half-opaque white (0xF8) becomes grey 0x88 at alpha 0x88, never brighter than its alpha.
  EXPECT_EQ(at(1, 1)[0], 0x88);
  EXPECT_EQ(at(1, 1)[2], 0x88);
  EXPECT_EQ(at(1, 1)[3], 0x88);
  EXPECT_EQ(at(0, 0)[0], 0xFF);  // opaque white stays
  EXPECT_EQ(at(2, 2)[0], 0x00);  // opaque black stays
  EXPECT_EQ(at(2, 2)[3], 0xFF);
  for (int i = 0; i < kCursorSize * kCursorSize; ++i) EXPECT_LE(rgba[i * 4], rgba[i * 4 + 3]);
  // Rounded, not truncated: 200 at alpha 200 is 156.86, so 157; 0xFF at alpha 1 is 1.
  unsigned char px[8] = {200, 10, 0, 200, 0xFF, 0xFF, 0xFF, 0x01};
  PremultiplyRGBA(px, 2);
  EXPECT_EQ(px[0], 157);
  EXPECT_EQ(px[1], 8);  // 7.84
  EXPECT_EQ(px[3], 200);
  EXPECT_EQ(px[4], 0x01);
}

TEST(CocoaMenus, NumberingStyles) {
  EXPECT_EQ(MenuItemTitle("Lin", 0, 0), "Lin");
  EXPECT_EQ(MenuItemTitle("Lin", 0, 1), "1: Lin");
  EXPECT_EQ(MenuItemTitle("Lin", 0, 2), "01: Lin");
  EXPECT_EQ(MenuItemTitle("Log", 2, 2), "03: Log");
  EXPECT_EQ(MenuItemTitle("Log", 9, 3), "010: Log");
  EXPECT_EQ(MenuItemTitle("Log", 9, 1), "10: Log");  // wider than the field
  EXPECT_EQ(MenuItemTitle("Log", 0, 4), "Log");      // unknown styles number nothing
  EXPECT_EQ(MenuItemTitle(nullptr, 0, 1), "1: ");
}

TEST(CocoaTextEntry, CharactersByParameterType) {
  EXPECT_STREQ(EntryCharacters(kTypeDouble), "0123456789.-+");
  EXPECT_STREQ(EntryCharacters(kTypeInt), "0123456789-+");
  EXPECT_STREQ(EntryCharacters(kTypeBool), "0123456789-+");
  EXPECT_STREQ(EntryCharacters(kTypeEnum), "0123456789-+");
  EXPECT_STREQ(EntryCharacters(kTypeNone), "");
}

TEST(CocoaDialogs, MessageBoxAnswersAndColourScaling) {
  EXPECT_EQ(MessageBoxResult(0), 1);
  EXPECT_EQ(MessageBoxResult(1), 7);
  EXPECT_EQ(MessageBoxResult(2), 2);
  EXPECT_EQ(MessageBoxResult(3), 0);
  EXPECT_EQ(MessageBoxResult(-1), 0);
  EXPECT_EQ(ColorTo16(255), 65535);
  EXPECT_EQ(ColorTo16(128), 32896);
  EXPECT_EQ(ColorFrom16(65535), 255);
  EXPECT_EQ(ColorFrom16(32767), 127);  // truncated, not rounded
  for (int c = 0; c < 256; ++c) EXPECT_EQ(ColorFrom16(ColorTo16(c)), c);
}

TEST(CocoaPaths, WebAddressesAndImageNames) {
  EXPECT_TRUE(LooksLikeWebAddress("https://example.org"));
  EXPECT_TRUE(LooksLikeWebAddress("/home/me/httpdocs/manual.pdf"));  // "http" anywhere
  EXPECT_FALSE(LooksLikeWebAddress("/home/me/manual.pdf"));
  EXPECT_FALSE(LooksLikeWebAddress(nullptr));
  EXPECT_EQ(PngResourceName("resources/img/knob.png"), "knob");
  EXPECT_EQ(PngResourceName("KNOB.PNG"), "KNOB");
  EXPECT_EQ(PngResourceName("knob.jpg"), "");
  EXPECT_EQ(PngResourceName("png"), "png");  // no dot: the whole name is the extension
  EXPECT_EQ(PngResourceName("a.b/knob"), "");
  EXPECT_EQ(PngResourceName(nullptr), "");
}
