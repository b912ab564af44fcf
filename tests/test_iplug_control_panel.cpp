// Renders a panel holding every standard control, with film strips painted here, into
// <build dir>/control_panel.png for a person to look at, and compares it with the
// golden copy kept with the tests.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "IBitmapMonoText.h"
#include "editor_test_fixture.h"
#include "film_strip.h"
#include "fw_golden.h"
#include "swell-gdi.h"

namespace {

const int kW = 640, kH = 330;
const double kPi = 3.14159265358979323846;

LICE_pixel Px(int r, int g, int b, int a = 255) { return LICE_RGBA(r, g, b, a); }

// A 60-frame knob: a shaded cap, a value arc and a pointer from -135 to +135 degrees.
FilmStrip KnobStrip() {
  const int s = 48;
  return MakeFilmStrip(60, s, s, false, [s](LICE_IBitmap* b, int f, int x, int y) {
    const float cx = x + s / 2.0f, cy = y + s / 2.0f;
    const float a0 = static_cast<float>(-0.75 * kPi), a = a0 + static_cast<float>(1.5 * kPi * f / 59.0);
    LICE_FillCircle(b, cx, cy, 18.0f, Px(70, 76, 90));
    LICE_FillCircle(b, cx - 2.0f, cy - 2.0f, 14.0f, Px(96, 104, 122));
    LICE_Circle(b, cx, cy, 18.0f, Px(20, 22, 28));
    if (f > 0) LICE_Arc(b, cx, cy, 21.0f, a0, a, Px(255, 170, 40));
    LICE_FLine(b, cx + 5.0f * std::sin(a), cy - 5.0f * std::cos(a), cx + 16.0f * std::sin(a),
               cy - 16.0f * std::cos(a), Px(240, 240, 240));
  });
}

// n frames of a lamp, dark to bright.
FilmStrip LampStrip(int n, int w, int h, bool horizontal = false) {
  return MakeFilmStrip(n, w, h, horizontal, [n, w, h](LICE_IBitmap* b, int f, int x, int y) {
    const int level = n > 1 ? 40 + 200 * f / (n - 1) : 240;
    LICE_FillRect(b, x, y, w, h, Px(30, 32, 38));
    LICE_FillRect(b, x + 3, y + 3, w - 6, h - 6, Px(level, level / 2 + 40, 40));
    LICE_RoundRect(b, static_cast<float>(x), static_cast<float>(y), static_cast<float>(w - 1),
                   static_cast<float>(h - 1), 2, Px(200, 200, 210));
  });
}

// A fader handle.
FilmStrip Handle(int w, int h) {
  return MakeFilmStrip(1, w, h, false, [w, h](LICE_IBitmap* b, int, int x, int y) {
    LICE_FillRect(b, x, y, w, h, Px(180, 186, 200));
    LICE_FillRect(b, x + 1, y + h / 2 - 1, w - 2, 2, Px(30, 30, 30));
  });
}

// A pointer on a transparent square, for the rotating knob.
FilmStrip Pointer(int s) {
  return MakeFilmStrip(1, s, s, false, [s](LICE_IBitmap* b, int, int x, int y) {
    LICE_FillCircle(b, x + s / 2.0f, y + s / 2.0f, s / 2.0f - 3.0f, Px(60, 120, 170));
    LICE_FillRect(b, x + s / 2 - 2, y + 3, 4, s / 2 - 3, Px(250, 250, 250));
  });
}

// Base, mask and top of the rotating-mask knob.
FilmStrip MaskPart(int s, int part) {
  return MakeFilmStrip(1, s, s, false, [s, part](LICE_IBitmap* b, int, int x, int y) {
    const float c = s / 2.0f;
    if (part == 0) LICE_FillCircle(b, x + c, y + c, c - 2.0f, Px(40, 150, 90));
    if (part == 1) LICE_FillRect(b, x + s / 2 - 3, y + 2, 6, s / 2, Px(255, 255, 255, 255));
    if (part == 2) LICE_Circle(b, x + c, y + c, c - 2.0f, Px(230, 230, 230));
  });
}

// A bitmap font: one 7 x 12 frame per character from the space upward, drawn with
// the text bridge.
FilmStrip BitmapFont() {
  auto font = std::make_shared<LICE_CachedFont>();
  font->SetFromHFont(CreateFont(11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana"),
                     LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
  font->SetTextColor(Px(120, 230, 255));
  return MakeFilmStrip(95, 7, 12, false, [font](LICE_IBitmap* b, int f, int x, int y) {
    char c[2] = {static_cast<char>(32 + f), 0};
    RECT r = {x, y, x + 7, y + 12};
    font->DrawText(b, c, 1, &r, DT_CENTER | DT_NOCLIP);
  });
}

class ControlPanel : public ::testing::Test {
 protected:
  enum { kNumParams = 24 };

  ControlPanel() : plug(kNumParams) {
    for (int i = 0; i < kNumParams; ++i) plug.GetParam(i)->InitDouble("Level", 0.0, 0.0, 1.0, 0.001);
    gui = new IGraphicsHeadless(&plug, kW, kH);
  }
  ~ControlPanel() override { gui->StopIdleThread(); }

  // Parameter i with its own value (so each control shows a chosen position).
  int Param(double value, const char* name = "Level", const char* label = "") {
    IParam* p = plug.GetParam(mNext);
    p->InitDouble(name, value, 0.0, 1.0, 0.01, label);
    return mNext++;
  }
  int EnumParam(int value, int n) {
    IParam* p = plug.GetParam(mNext);
    p->InitEnum("Shape", value, n);
    const char* names[] = {"Sine", "Square", "Saw", "Noise"};
    for (int i = 0; i < n; ++i) p->SetDisplayText(i, names[i % 4]);
    return mNext++;
  }
  void Label(int x, int y, int w, const char* text) {
    IText style(10, &mInk);
    gui->AttachControl(new ITextControl(&plug, IRECT(x, y, x + w, y + 12), &style, text));
  }

  void BuildPanel() {
    const IColor panel(255, 36, 40, 48);
    gui->AttachPanelBackground(&panel);
    // Row 1: knobs.
    for (int i = 0; i < 3; ++i) {
      const double v[] = {0.0, 0.5, 1.0};
      const int x = 10 + 70 * i;
      const int p = Param(v[i], "Gain", "dB");
      Label(x - 5, 6, 58, "IKnobMulti");
      auto* knob = new IKnobMultiControl(&plug, x, 20, p, &mKnob.bitmap);
      gui->AttachControl(knob);
      IText value(10, &mAccent);
      gui->AttachControl(new ICaptionControl(&plug, IRECT(x - 5, 70, x + 53, 82), p, &value));
    }
    Label(215, 6, 60, "IKnobLine");
    gui->AttachControl(new IKnobLineControl(&plug, IRECT(220, 20, 268, 68), Param(0.3), &COLOR_YELLOW, 6.0));
    Label(285, 6, 60, "IKnobRotater");
    gui->AttachControl(new IKnobRotaterControl(&plug, 290, 20, Param(0.8), &mPointer.bitmap));
    Label(355, 6, 70, "IKnobRotMask");
    gui->AttachControl(new IKnobRotatingMaskControl(&plug, 360, 20, Param(0.25), &mBase.bitmap,
                                                    &mMask.bitmap, &mTop.bitmap));
    Label(425, 6, 60, "grayed");
    auto* grayed = new IKnobMultiControl(&plug, 430, 20, Param(0.7), &mKnob.bitmap);
    gui->AttachControl(grayed);
    grayed->GrayOut(true);
    Label(495, 6, 60, "IBitmap");
    gui->AttachControl(new IBitmapControl(&plug, 505, 25, Param(0.5), &mLamp3.bitmap));
    Label(565, 6, 70, "transparent");
    auto* faded = new IKnobMultiControl(&plug, 575, 20, Param(1.0), &mKnob.bitmap);
    gui->AttachControl(faded);
    faded->MakeTransparent(true);

    // Row 2: switches.
    const int y2 = 110;
    Label(5, y2 - 14, 50, "ISwitch");
    gui->AttachControl(new ISwitchControl(&plug, 10, y2, Param(1.0), &mLamp2.bitmap));
    Label(65, y2 - 14, 60, "ISwitchPopUp");
    gui->AttachControl(new ISwitchPopUpControl(&plug, 75, y2, EnumParam(1, 3), &mLamp3.bitmap));
    Label(135, y2 - 14, 70, "ISwitchFrames");
    gui->AttachControl(new ISwitchFramesControl(&plug, 140, y2, EnumParam(2, 3), &mLampRow.bitmap, true));
    Label(225, y2 - 14, 50, "IContact");
    gui->AttachControl(new IContactControl(&plug, 230, y2, Param(0.0), &mLamp2.bitmap));
    Label(285, y2 - 14, 60, "IOverlay");
    gui->AttachControl(new IBitmapOverlayControl(&plug, 290, y2, Param(1.0), &mLamp2.bitmap,
                                                 IRECT(290, y2, 320, y2 + 30)));
    Label(345, y2 - 14, 60, "IInvisible");
    gui->AttachControl(new IInvisibleSwitchControl(&plug, IRECT(350, y2, 380, y2 + 30), Param(1.0)));
    Label(405, y2 - 14, 60, "IRadio");
    gui->AttachControl(new IRadioButtonsControl(&plug, IRECT(415, y2, 431, y2 + 64), EnumParam(1, 3),
                                                3, &mRadio.bitmap));
    gui->AttachControl(new IRadioButtonsControl(&plug, IRECT(450, y2, 530, y2 + 16), EnumParam(3, 4),
                                                4, &mRadio.bitmap, kHorizontal));

    // Row 3: faders, texts and the rest.
    const int y3 = 200;
    Label(5, y3 - 14, 50, "IFader");
    gui->AttachControl(new IFaderControl(&plug, 20, y3, 110, Param(0.75), &mHandleV.bitmap, kVertical));
    gui->AttachControl(new IFaderControl(&plug, 60, y3, 170, Param(0.3), &mHandleH.bitmap, kHorizontal));
    IText big(16, &mInk);
    Label(245, y3 - 14, 60, "IText");
    gui->AttachControl(new ITextControl(&plug, IRECT(245, y3, 395, y3 + 20), &big, "Toneglass \xc3\xa9" "diteur"));
    Label(245, y3 + 26, 60, "ICaption");
    gui->AttachControl(new ICaptionControl(&plug, IRECT(245, y3 + 40, 395, y3 + 60), EnumParam(2, 4), &big));
    Label(410, y3 - 14, 90, "IBitmapText");
    gui->AttachControl(new IBitmapTextControl(&plug, IRECT(410, y3, 630, y3 + 14), &mFont.bitmap,
                                              "Bitmap font 0123", nullptr, 7, 12));
    Label(410, y3 + 26, 90, "IURL, IFileSelector");
    gui->AttachControl(new IURLControl(&plug, IRECT(410, y3 + 40, 470, y3 + 60), "https://example.org/"));
    gui->AttachControl(new IFileSelectorControl(&plug, IRECT(480, y3 + 40, 510, y3 + 70), Param(0.0),
                                                &mLamp2.bitmap, kFileOpen));
    IPanelControl* swatch = new IPanelControl(&plug, IRECT(100, y3 + 50, 220, y3 + 110), &COLOR_RED,
                                              IChannelBlend(IChannelBlend::kBlendNormal, 0.5f));
    Label(100, y3 + 36, 60, "IPanel");
    gui->AttachControl(swatch);
  }

  // The whole editor drawn once, as the first pass after opening does.
  void Render() {
    plug.AttachGraphics(gui);
    IRECT all(0, 0, kW, kH);
    ASSERT_TRUE(gui->IsDirty(&all));
    gui->Draw(&all);
  }

  TestPlug plug;
  IGraphicsHeadless* gui;
  int mNext = 0;
  const IColor mInk{255, 220, 222, 230};
  const IColor mAccent{255, 255, 170, 40};
  FilmStrip mKnob = KnobStrip();
  FilmStrip mLamp2 = LampStrip(2, 30, 30), mLamp3 = LampStrip(3, 30, 30);
  FilmStrip mLampRow = LampStrip(3, 26, 30, true);
  FilmStrip mRadio = LampStrip(2, 16, 16);
  FilmStrip mHandleV = Handle(20, 12), mHandleH = Handle(12, 20);
  FilmStrip mPointer = Pointer(44);
  FilmStrip mBase = MaskPart(44, 0), mMask = MaskPart(44, 1), mTop = MaskPart(44, 2);
  FilmStrip mFont = BitmapFont();
};

TEST_F(ControlPanel, EveryStandardControlDrawsAndThePictureMatchesTheGoldenCopy) {
  BuildPanel();
  Render();
  // A few spots that must show their control: the value arc straight above the knob's
  // middle is lit at 1 and dark at 0, and the value caption is written.
  EXPECT_GT(gui->GetPoint(174, 23).R, 200);
  EXPECT_LT(gui->GetPoint(34, 23).R, 100);
  EXPECT_STREQ(gui->GetControl(3)->GetTextForDisplay(), "0.00 dB");

  const std::string path = PictureDir() + "/control_panel.png";
  ASSERT_TRUE(WriteDrawBitmapPNG(gui, path.c_str())) << path;
  std::unique_ptr<LICE_IBitmap> back(LICE_LoadPNG(path.c_str()));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->getWidth(), kW);

  ExpectMatchesGolden(back.get(), "iplug_control_panel.png", "control_panel");
}

// A partial repaint after one value change paints the same pixels as a full one.
TEST_F(ControlPanel, APartialRepaintMatchesAFullOne) {
  BuildPanel();
  Render();
  gui->SetParameterFromPlug(1, 0.9, true);  // the middle knob
  IRECT dirty;
  ASSERT_TRUE(gui->IsDirty(&dirty));
  gui->Draw(&dirty);
  std::unique_ptr<LICE_MemBitmap> partial(new LICE_MemBitmap(kW, kH));
  LICE_Copy(partial.get(), gui->GetDrawBitmap());
  gui->SetAllControlsDirty(false);
  IRECT all(0, 0, kW, kH);
  gui->Draw(&all);
  int off = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      off += LICE_GetPixel(partial.get(), x, y) != LICE_GetPixel(gui->GetDrawBitmap(), x, y);
  EXPECT_EQ(off, 0);
}

}  // namespace
