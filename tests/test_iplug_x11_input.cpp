// The X11 backend's translations that need no server: keys, modifiers, wheel steps,
// double clicks, pixel formats, the custom cursor's pixels, the text entry's rules,
// menu labels and the desktop's folder and colour texts.
#include <gtest/gtest.h>

#include "IControl.h"
#include "IParam.h"
#include "IPopupMenu.h"
#include "X11Cursor.h"
#include "X11Desktop.h"
#include "X11Input.h"
#include "X11PixelFormat.h"
#include "X11PopupMenu.h"
#include "X11Settings.h"
#include "X11TextEntryBuffer.h"
#include "aeffectx.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <cstring>
#include <string>
#include <vector>

TEST(X11Keys, KeysymsFollowTheEditorKeyTable) {
  EXPECT_EQ(X11KeyCodeForKeysym(XK_space), KEY_SPACE);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_Up), KEY_UPARROW);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_Down), KEY_DOWNARROW);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_Left), KEY_LEFTARROW);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_Right), KEY_RIGHTARROW);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_0), 5);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_9), 14);
  // A with or without Shift is 15; z is 40.
  EXPECT_EQ(X11KeyCodeForKeysym(XK_a), 15);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_A), 15);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_z), 40);
  // Keys the editor does not take go back to the host.
  EXPECT_EQ(X11KeyCodeForKeysym(XK_Escape), -1);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_Return), -1);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_F1), -1);
  EXPECT_EQ(X11KeyCodeForKeysym(XK_adiaeresis), -1);
}

TEST(X11Keys, HostVirtualKeysAndCharacters) {
  EXPECT_EQ(X11KeyCodeForHostKey(0, VKEY_SPACE), KEY_SPACE);
  EXPECT_EQ(X11KeyCodeForHostKey(0, VKEY_UP), KEY_UPARROW);
  EXPECT_EQ(X11KeyCodeForHostKey(0, VKEY_RIGHT), KEY_RIGHTARROW);
  EXPECT_EQ(X11KeyCodeForHostKey('7', 0), 12);
  EXPECT_EQ(X11KeyCodeForHostKey('Q', 0), 15 + 16);
  EXPECT_EQ(X11KeyCodeForHostKey('q', 0), 15 + 16);
  EXPECT_EQ(X11KeyCodeForHostKey(0, VKEY_ESCAPE), -1);
  EXPECT_EQ(X11KeyCodeForHostKey(27, VKEY_ESCAPE), -1);
  EXPECT_EQ(X11KeyCodeForHostKey('a', VKEY_F1), -1);  // a named key wins over its character
  EXPECT_EQ(X11KeyCodeForHostKey('#', 0), -1);
}

TEST(X11Mouse, ModifierRecords) {
  IMouseMod left = X11ButtonMod(ShiftMask | Mod1Mask, Button1);
  EXPECT_TRUE(left.L);
  EXPECT_FALSE(left.R);
  EXPECT_TRUE(left.S);
  EXPECT_FALSE(left.C);
  EXPECT_TRUE(left.A);
  // Control-click is this platform's right click: both buttons reported.
  IMouseMod ctrl = X11ButtonMod(ControlMask, Button1);
  EXPECT_TRUE(ctrl.L && ctrl.R && ctrl.C);
  IMouseMod right = X11ButtonMod(0, Button3);
  EXPECT_FALSE(right.L);
  EXPECT_TRUE(right.R);
  IMouseMod middle = X11ButtonMod(ShiftMask, Button2);
  EXPECT_FALSE(middle.L || middle.R);
  EXPECT_TRUE(middle.S);
  // Motion: a right-button drag reports the right button, anything else the left.
  EXPECT_TRUE(X11MotionMod(Button3Mask).R);
  EXPECT_FALSE(X11MotionMod(Button3Mask).L);
  EXPECT_TRUE(X11MotionMod(Button1Mask).L);
  EXPECT_TRUE(X11MotionMod(0).L);
}

TEST(X11Mouse, WheelButtons) {
  EXPECT_EQ(X11WheelStep(4), 1);
  EXPECT_EQ(X11WheelStep(5), -1);
  EXPECT_EQ(X11WheelStep(6), 1);
  EXPECT_EQ(X11WheelStep(7), -1);
  EXPECT_EQ(X11WheelStep(1), 0);
  EXPECT_EQ(X11WheelStep(8), 0);
  EXPECT_TRUE(X11IsWheelButton(4) && X11IsWheelButton(7));
  EXPECT_FALSE(X11IsWheelButton(3) || X11IsWheelButton(8));
}

TEST(X11Mouse, DoubleClickByTimeDistanceAndButton) {
  X11ClickTimer t(400, 4);
  EXPECT_FALSE(t.IsDoubleClick(1000, 10, 10, Button1));
  EXPECT_TRUE(t.IsDoubleClick(1400, 14, 6, Button1));  // limits are inclusive
  // The double click used the first press up: a third press starts again.
  EXPECT_FALSE(t.IsDoubleClick(1500, 14, 6, Button1));
  EXPECT_FALSE(t.IsDoubleClick(1901, 14, 6, Button1));  // 401 ms later
  EXPECT_FALSE(t.IsDoubleClick(1950, 19, 6, Button1));  // 5 pixels away
  EXPECT_FALSE(t.IsDoubleClick(2000, 19, 6, Button3));  // another button
  EXPECT_TRUE(t.IsDoubleClick(2100, 19, 6, Button3));
  // Across the wrap of the server's 32-bit clock.
  X11ClickTimer w;
  EXPECT_FALSE(w.IsDoubleClick(0xffffff00UL, 0, 0, Button1));
  EXPECT_TRUE(w.IsDoubleClick(0x00000010UL, 0, 0, Button1));
}

TEST(X11PixelFormats, CommonVisualsInBothByteOrders) {
  const LICE_pixel p = LICE_RGBA(0x12, 0x34, 0x56, 0x00);
  X11PixelFormat f;
  // The usual 24-bit visual with LSBFirst images on this machine.
  ASSERT_TRUE(X11PixelFormat::Make(0xff0000, 0xff00, 0xff, 24, 32, LSBFirst, &f));
  EXPECT_EQ(f.Convert(p), 0x123456u);
  // A server that wants MSBFirst images gets the bytes swapped.
  ASSERT_TRUE(X11PixelFormat::Make(0xff0000, 0xff00, 0xff, 24, 32, MSBFirst, &f));
  EXPECT_EQ(f.Convert(p), 0x56341200u);
  // BGR order.
  ASSERT_TRUE(X11PixelFormat::Make(0xff, 0xff00, 0xff0000, 24, 32, LSBFirst, &f));
  EXPECT_EQ(f.Convert(p), 0x563412u);
  // A 32-bit-deep visual: the bits outside the colours (its alpha) are set, opaque.
  ASSERT_TRUE(X11PixelFormat::Make(0xff0000, 0xff00, 0xff, 32, 32, LSBFirst, &f));
  EXPECT_EQ(f.Convert(p), 0xff123456u);
  // 10 bits per channel: full intensity stays full, the top bits repeat.
  ASSERT_TRUE(X11PixelFormat::Make(0x3ff00000, 0xffc00, 0x3ff, 24, 32, LSBFirst, &f));
  EXPECT_EQ(f.Convert(LICE_RGBA(0xff, 0, 0x80, 0)), (0x3ffu << 20) | 0x202u);
}

TEST(X11PixelFormats, RefusesWhatItCannotWrite) {
  X11PixelFormat f;
  EXPECT_FALSE(X11PixelFormat::Make(0xf800, 0x7e0, 0x1f, 16, 16, LSBFirst, &f));
  EXPECT_FALSE(X11PixelFormat::Make(0xff0000, 0xff00, 0xff, 24, 24, LSBFirst, &f));
  EXPECT_FALSE(X11PixelFormat::Make(0, 0xff00, 0xff, 24, 32, LSBFirst, &f));
  EXPECT_FALSE(X11PixelFormat::Make(0xff0000, 0xff0000, 0xff, 24, 32, LSBFirst, &f));
  EXPECT_FALSE(X11PixelFormat::Make(0xff0000, 0xff00, 0xff, 24, 32, LSBFirst, nullptr));
}

TEST(X11PixelFormats, RectConversionTouchesOnlyTheBlock) {
  X11PixelFormat f;
  ASSERT_TRUE(X11PixelFormat::Make(0xff0000, 0xff00, 0xff, 24, 32, LSBFirst, &f));
  LICE_pixel src[4 * 3];
  for (int i = 0; i < 12; ++i) src[i] = LICE_RGBA(i, 2 * i, 3 * i, 255);
  uint32_t dst[5 * 3];
  for (uint32_t& d : dst) d = 0xdeadbeef;
  // Source span 4 pixels, destination 5 pixels (20 bytes) a line; block (1,1) 2 x 2.
  f.ConvertRect(src, 4, reinterpret_cast<uint8_t*>(dst), 20, 1, 1, 2, 2);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const uint32_t got = dst[y * 5 + x];
      if (y >= 1 && y <= 2 && x >= 1 && x <= 2) {
        const int i = y * 4 + x;
        EXPECT_EQ(got, static_cast<uint32_t>(i << 16 | (2 * i) << 8 | 3 * i)) << x << "," << y;
      } else {
        EXPECT_EQ(got, 0xdeadbeefu) << x << "," << y;
      }
    }
  }
}

TEST(X11CursorImage, NibblesWidenByRepeating) {
  uint32_t px[16 * 16];
  X11CustomCursorPixels(px);
  EXPECT_EQ(px[0], 0xffffffffu);            // row 0: FF
  EXPECT_EQ(px[1 * 16 + 1], 0x88ffffffu);   // F8: grey FF, alpha 88
  EXPECT_EQ(px[2 * 16 + 2], 0xff000000u);   // 0F: black, opaque
  EXPECT_EQ(px[0 * 16 + 15], 0x00000000u);  // 00: clear
  EXPECT_EQ(px[15 * 16 + 15], 0xffffffffu);
  EXPECT_EQ(px[10 * 16 + 13], 0x00000000u);
  EXPECT_EQ(px[8 * 16 + 8], 0xff000000u);  // the hot spot (8, 8) is on the black line
  EXPECT_EQ(kX11CustomCursorHotX, 8);
  EXPECT_EQ(kX11CustomCursorHotY, 8);
  // The picture is symmetric about its diagonal except where the table says otherwise:
  // both arrow heads are there.
  int opaque = 0;
  for (uint32_t p : px) opaque += (p >> 24) == 0xff ? 1 : 0;
  EXPECT_GT(opaque, 40);
}

TEST(X11TextEntry, ParameterKindsSetTheCharacters) {
  IParam d, i, b, e, none;
  d.InitDouble("d", 0, -10, 10, 0.1);
  i.InitInt("i", 0, 0, 100);
  b.InitBool("b", false);
  e.InitEnum("e", 0, 3);
  EXPECT_STREQ(X11EntryCharset(&d), "0123456789.-+");
  EXPECT_STREQ(X11EntryCharset(&i), "0123456789-+");
  EXPECT_STREQ(X11EntryCharset(&b), "0123456789-+");
  EXPECT_STREQ(X11EntryCharset(&e), "0123456789-+");
  EXPECT_STREQ(X11EntryCharset(&none), "");
  EXPECT_EQ(X11EntryCharset(nullptr), nullptr);
}

TEST(X11TextEntry, RulesRefuseKeystrokesWithoutChangingTheText) {
  X11TextEntryBuffer t;
  t.Begin("", "0123456789-+", 7);
  EXPECT_FALSE(t.Insert("."));  // an integer refuses the decimal point
  for (int k = 0; k < 7; ++k) EXPECT_TRUE(t.Insert("1"));
  EXPECT_FALSE(t.Insert("2"));  // the eighth character
  EXPECT_EQ(t.Text(), "1111111");
  t.Begin("-3", "0123456789.-+", 7);
  t.End();
  EXPECT_TRUE(t.Insert(".5"));
  EXPECT_EQ(t.Text(), "-3.5");
  EXPECT_FALSE(t.Insert("x"));
  EXPECT_FALSE(t.Insert("\t"));
  // Without a parameter: any printable text, no limit.
  t.Begin("ab", nullptr, 0);
  t.End();
  EXPECT_TRUE(t.Insert("\xc3\xa9"));  // é
  EXPECT_EQ(t.Length(), 3);
  t.Backspace();  // removes the whole two-byte character
  EXPECT_EQ(t.Text(), "ab");
  // A parameter without type accepts nothing.
  t.Begin("", "", 0);
  EXPECT_FALSE(t.Insert("1"));
}

TEST(X11TextEntry, CaretEditing) {
  X11TextEntryBuffer t;
  t.Begin("125", nullptr, 0);
  EXPECT_EQ(t.Caret(), 3u);
  t.End();  // drops the opening selection, caret stays at the end
  EXPECT_FALSE(t.HasSelection());
  t.Left();
  t.Left();
  EXPECT_TRUE(t.Insert("0"));
  EXPECT_EQ(t.Text(), "1025");
  t.Delete();
  EXPECT_EQ(t.Text(), "105");
  t.Home();
  t.Backspace();  // nothing before the caret
  t.Delete();
  EXPECT_EQ(t.Text(), "05");
  t.End();
  t.Right();
  t.Delete();
  EXPECT_EQ(t.Text(), "05");
  EXPECT_EQ(t.Caret(), 2u);
}

TEST(X11TextEntry, OpensWithTheWholeTextSelectedSoTypingReplacesIt) {
  X11TextEntryBuffer t;
  t.Begin("0.0", "0123456789.-+", 7);
  EXPECT_TRUE(t.HasSelection());
  EXPECT_EQ(t.SelectionStart(), 0u);
  EXPECT_EQ(t.SelectionEnd(), 3u);
  EXPECT_TRUE(t.Insert("-"));
  EXPECT_TRUE(t.Insert("1"));
  EXPECT_TRUE(t.Insert("2"));
  EXPECT_EQ(t.Text(), "-12");
  EXPECT_FALSE(t.HasSelection());
  // A refused keystroke keeps the selection and the text.
  t.Begin("0.0", "0123456789.-+", 7);
  EXPECT_FALSE(t.Insert("x"));
  EXPECT_EQ(t.Text(), "0.0");
  EXPECT_TRUE(t.HasSelection());
  // Backspace and Delete take the whole selection.
  t.Backspace();
  EXPECT_EQ(t.Text(), "");
  t.Begin("0.0", nullptr, 0);
  t.Delete();
  EXPECT_EQ(t.Text(), "");
  // An empty text opens with nothing to select.
  t.Begin("", nullptr, 0);
  EXPECT_FALSE(t.HasSelection());
}

TEST(X11TextEntry, TheLengthLimitCountsWhatTheSelectionLeaves) {
  X11TextEntryBuffer t;
  t.Begin("1234567", "0123456789-+", 7);  // at the limit, all selected
  EXPECT_TRUE(t.Insert("-12"));
  EXPECT_EQ(t.Text(), "-12");
  t.Begin("1234567", "0123456789-+", 7);
  t.End();
  EXPECT_FALSE(t.Insert("8"));  // nothing selected: one too many
  t.Left(true);                 // select the 7
  EXPECT_TRUE(t.Insert("8"));
  EXPECT_EQ(t.Text(), "1234568");
}

TEST(X11TextEntry, ShiftSelectsArrowsCollapseCtrlASelectsAll) {
  X11TextEntryBuffer t;
  t.Begin("-12.5", nullptr, 0);
  t.Left();  // collapses to the selection's start
  EXPECT_FALSE(t.HasSelection());
  EXPECT_EQ(t.Caret(), 0u);
  t.Begin("-12.5", nullptr, 0);
  t.Right();  // ... or its end
  EXPECT_EQ(t.Caret(), 5u);
  EXPECT_FALSE(t.HasSelection());
  // Shift+Left twice from the end selects ".5"; the anchor stays at the end.
  t.Left(true);
  t.Left(true);
  EXPECT_EQ(t.SelectionStart(), 3u);
  EXPECT_EQ(t.SelectionEnd(), 5u);
  EXPECT_EQ(t.Caret(), 3u);
  // Shift+Home extends to the start; Shift+End swings it back past the anchor.
  t.Home(true);
  EXPECT_EQ(t.SelectionStart(), 0u);
  EXPECT_EQ(t.SelectionEnd(), 5u);
  t.End(true);
  EXPECT_FALSE(t.HasSelection());
  t.Home();
  t.Right(true);
  EXPECT_EQ(t.SelectionEnd(), 1u);
  EXPECT_TRUE(t.Insert("+"));
  EXPECT_EQ(t.Text(), "+12.5");
  t.SelectAll();
  EXPECT_EQ(t.SelectionStart(), 0u);
  EXPECT_EQ(t.SelectionEnd(), 5u);
  // Extending over a two-byte character moves over the whole character.
  t.Begin("a\xc3\xa9", nullptr, 0);
  t.End();
  t.Left(true);
  EXPECT_EQ(t.SelectionStart(), 1u);
  t.Backspace();
  EXPECT_EQ(t.Text(), "a");
}

TEST(X11TextEntry, TheFieldKeepsAFrameInsideTheEditor) {
  // In the middle: the text rectangle grown by two pixels each way (plus the one the
  // platform adds).
  X11EntryBox b = X11EntryBoxFor(IRECT(100, 100, 140, 116), 700, 400);
  EXPECT_EQ(b.x, 98);
  EXPECT_EQ(b.y, 98);
  EXPECT_EQ(b.w, 45);
  EXPECT_EQ(b.h, 21);
  // At the bottom right edge (a knob's value line): moved in, not cut.
  b = X11EntryBoxFor(IRECT(648, 385, 700, 400), 700, 400);
  EXPECT_EQ(b.x + b.w, 700);
  EXPECT_EQ(b.y + b.h, 400);
  EXPECT_EQ(b.w, 57);
  EXPECT_EQ(b.h, 20);
  // Beyond the top left corner.
  b = X11EntryBoxFor(IRECT(-30, -10, 10, 6), 700, 400);
  EXPECT_EQ(b.x, 0);
  EXPECT_EQ(b.y, 0);
  // Larger than the editor: cut to it.
  b = X11EntryBoxFor(IRECT(0, 0, 900, 500), 700, 400);
  EXPECT_EQ(b.x, 0);
  EXPECT_EQ(b.y, 0);
  EXPECT_EQ(b.w, 700);
  EXPECT_EQ(b.h, 400);
  // An editor of no size still gets a field of one pixel, never a negative one.
  b = X11EntryBoxFor(IRECT(5, 5, 10, 10), 0, 0);
  EXPECT_EQ(b.w, 1);
  EXPECT_EQ(b.h, 1);
  EXPECT_EQ(b.x, 0);
}

TEST(X11Menus, LabelsCarryTheNumbering) {
  IPopupMenu m;
  m.AddItem("Low");
  m.AddItem("High");
  EXPECT_EQ(X11MenuItemLabel(m, 0), "Low");
  m.SetPrefix(1);
  EXPECT_EQ(X11MenuItemLabel(m, 1), "2: High");
  m.SetPrefix(2);
  EXPECT_EQ(X11MenuItemLabel(m, 0), "01: Low");
  m.SetPrefix(3);
  EXPECT_EQ(X11MenuItemLabel(m, 1), "002: High");
  EXPECT_EQ(X11MenuItemLabel(m, 2), "");
  EXPECT_EQ(X11MenuItemLabel(m, -1), "");
}

TEST(X11Menus, KeyboardSkipsSeparatorsAndDisabledItems) {
  IPopupMenu sub;
  sub.AddItem("x");
  IPopupMenu m;
  m.AddItem("a");                                   // 0
  m.AddSeparator();                                 // 1
  m.AddItem("off", -1, IPopupMenuItem::kDisabled);  // 2
  m.AddItem("sub", &sub);                           // 3
  m.AddItem("t", -1, IPopupMenuItem::kTitle);       // 4: a heading can be chosen
  EXPECT_EQ(X11MenuNextSelectable(m, -1, 1), 0);
  EXPECT_EQ(X11MenuNextSelectable(m, 0, 1), 3);
  EXPECT_EQ(X11MenuNextSelectable(m, 3, 1), 4);
  EXPECT_EQ(X11MenuNextSelectable(m, 4, 1), 0);  // wraps
  EXPECT_EQ(X11MenuNextSelectable(m, -1, -1), 4);
  EXPECT_EQ(X11MenuNextSelectable(m, 0, -1), 4);
  IPopupMenu empty;
  EXPECT_EQ(X11MenuNextSelectable(empty, -1, 1), -1);
  IPopupMenu allOff;
  allOff.AddSeparator();
  EXPECT_EQ(X11MenuNextSelectable(allOff, -1, 1), -1);
}

TEST(X11DesktopTexts, UserDirsAndColours) {
  const std::string dirs =
      "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n  XDG_DESKTOP_DIR=\"$HOME/Schreibtisch/\"\n";
  EXPECT_EQ(X11ParseUserDir(dirs, "XDG_DESKTOP_DIR", "/home/u"), "/home/u/Schreibtisch");
  EXPECT_EQ(X11ParseUserDir(dirs, "XDG_MUSIC_DIR", "/home/u"), "");
  EXPECT_EQ(X11ParseUserDir("XDG_DESKTOP_DIR=\"/data/desk\"\n", "XDG_DESKTOP_DIR", "/h"), "/data/desk");
  int r = 0, g = 0, b = 0;
  EXPECT_TRUE(X11ParseColor("rgb(1,2,3)", &r, &g, &b));
  EXPECT_EQ(r + g * 10 + b * 100, 321);
  EXPECT_TRUE(X11ParseColor("rgba(10,20,30,0.5)", &r, &g, &b));
  EXPECT_EQ(b, 30);
  EXPECT_TRUE(X11ParseColor("#ff8000", &r, &g, &b));
  EXPECT_EQ(g, 0x80);
  EXPECT_FALSE(X11ParseColor("rgb(300,0,0)", &r, &g, &b));
  EXPECT_FALSE(X11ParseColor("blue", &r, &g, &b));
  EXPECT_EQ(g, 0x80);  // unchanged by a refusal
}

namespace {

// An _XSETTINGS_SETTINGS property: a string, a colour and one integer.
std::vector<unsigned char> SettingsBlob(bool msb, const char* intName, int32_t value) {
  std::vector<unsigned char> b;
  auto u8 = [&](unsigned v) { b.push_back(static_cast<unsigned char>(v)); };
  auto u16 = [&](unsigned v) {
    if (msb) { u8(v >> 8); u8(v & 0xff); } else { u8(v & 0xff); u8(v >> 8); }
  };
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(msb ? (v >> (24 - 8 * i)) & 0xff : (v >> (8 * i)) & 0xff);
  };
  auto name = [&](const char* n) {
    const size_t len = strlen(n);
    u16(static_cast<unsigned>(len));
    for (size_t i = 0; i < len; ++i) u8(static_cast<unsigned char>(n[i]));
    while (b.size() % 4) u8(0);
  };
  u8(msb ? 1 : 0); u8(0); u8(0); u8(0);
  u32(7);  // serial
  u32(3);  // settings
  u8(1); u8(0); name("Net/ThemeName"); u32(0); u32(5);
  for (char c : std::string("Adwai")) u8(static_cast<unsigned char>(c));
  while (b.size() % 4) u8(0);
  u8(2); u8(0); name("Gtk/Colour"); u32(0); u16(1); u16(2); u16(3); u16(4);
  u8(0); u8(0); name(intName); u32(0); u32(static_cast<uint32_t>(value));
  return b;
}

}  // namespace

TEST(X11DesktopTexts, XSettingsIntegersInBothByteOrders) {
  for (bool msb : {false, true}) {
    const std::vector<unsigned char> b = SettingsBlob(msb, "Net/DoubleClickTime", 250);
    int v = 0;
    EXPECT_TRUE(X11FindXSetting(b.data(), b.size(), "Net/DoubleClickTime", &v)) << msb;
    EXPECT_EQ(v, 250);
    EXPECT_FALSE(X11FindXSetting(b.data(), b.size(), "Net/DoubleClickDistance", &v));
    EXPECT_FALSE(X11FindXSetting(b.data(), b.size(), "Net/ThemeName", &v));  // a string
    // Every cut of the data is refused without reading past it.
    for (size_t n = 0; n < b.size(); ++n) EXPECT_FALSE(X11FindXSetting(b.data(), n, "Net/DoubleClickTime", &v)) << n;
  }
  const std::vector<unsigned char> neg = SettingsBlob(false, "Net/DoubleClickDistance", -3);
  int v = 0;
  EXPECT_TRUE(X11FindXSetting(neg.data(), neg.size(), "Net/DoubleClickDistance", &v));
  EXPECT_EQ(v, -3);
  std::vector<unsigned char> bad = SettingsBlob(false, "x", 1);
  bad[12] = 9;  // an unknown type
  EXPECT_FALSE(X11FindXSetting(bad.data(), bad.size(), "x", &v));
  EXPECT_FALSE(X11FindXSetting(nullptr, 100, "x", &v));
}
