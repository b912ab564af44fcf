// The Cocoa editor of a small test plug-in in the GNUstep host, driven by real input
// through XTest under Xvfb: popup menus chosen, opened into a submenu and dismissed,
// the mouse position at the editor's four corner pixels, and the cursor picture the
// X server shows for each cursor type. Run by run_gui_test.sh (private GNUstep
// folders, kill timeout).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The framework's headers come before X11's, whose Bool macro would rename IParam::Bool.
#include "CocoaEditorRules.h"
#include "IControl.h"
#include "IGraphicsHeadless.h"
#include "IGraphicsMac.h"
#include "IPopupMenu.h"
#include "iplug_test_plug.h"
#include "standins/CoreGraphicsStandIn.h"  // the device scale a test may force

#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>

#include "cocoa_test_host.h"

namespace {

constexpr int kW = 300, kH = 200;
constexpr int kModeParam = 5;
Display* gDisplay = nullptr;

}  // namespace

// Works a popup menu while it runs modally: each tick of a timer in the menu's
// tracking mode does the next step with real XTest input, as a user would. Items are
// found by title in the menus on screen, so the test needs no knowledge of GNUstep's
// menu layout.
@interface MenuPilot : NSObject {
 @public
  std::vector<std::function<bool()>>* mSteps;
  size_t mNext;
}
- (void)tick:(NSTimer*)t;
@end

@implementation MenuPilot
- (void)tick:(NSTimer*)t {
  (void)t;
  if (mNext < mSteps->size() && (*mSteps)[mNext]()) ++mNext;
}
@end

namespace {

// Calls f(window, menu view) for every menu view on screen, until f returns true;
// whether one did.
bool ForEachMenuOnScreen(const std::function<bool(NSWindow*, NSMenuView*)>& f) {
  NSArray* windows = [NSApp windows];
  for (NSUInteger w = 0; w < [windows count]; ++w) {
    NSWindow* win = [windows objectAtIndex:w];
    if (![win isVisible]) continue;
    NSView* content = [win contentView];
    NSMutableArray* views = [NSMutableArray arrayWithObject:content];
    [views addObjectsFromArray:[content subviews]];
    for (NSUInteger i = 0; i < [views count]; ++i) {
      NSView* v = [views objectAtIndex:i];
      if ([v isKindOfClass:[NSMenuView class]] && f(win, (NSMenuView*)v)) return true;
    }
  }
  return false;
}

// The screen rectangle (X11 coordinates: origin top left) of the visible menu item
// with that title, or false when no menu on screen shows it.
// *pHighlighted tells whether the menu shows it highlighted (under the pointer).
bool FindMenuItem(const char* title, int* pX, int* pY, int* pW, int* pH, bool* pHighlighted) {
  NSString* want = [NSString stringWithUTF8String:title];
  const CGFloat screenH = [[NSScreen mainScreen] frame].size.height;
  return ForEachMenuOnScreen([&](NSWindow* win, NSMenuView* mv) {
    const NSInteger idx = [[mv menu] indexOfItemWithTitle:want];
    if (idx < 0) return false;
    NSRect r = [mv rectOfItemAtIndex:idx];
    r = [mv convertRect:r toView:nil];
    r.origin = [win convertBaseToScreen:r.origin];
    *pX = (int)r.origin.x;
    *pY = (int)(screenH - r.origin.y - r.size.height);
    *pW = (int)r.size.width;
    *pH = (int)r.size.height;
    *pHighlighted = [mv highlightedItemIndex] == idx;
    return true;
  });
}

int VisibleMenus() {
  int n = 0;
  ForEachMenuOnScreen([&n](NSWindow*, NSMenuView*) {
    ++n;
    return false;
  });
  return n;
}

void FakeMove(int x, int y) {
  XTestFakeMotionEvent(gDisplay, 0, x, y, 0);
  XSync(gDisplay, False);
}


// ---- The test plug-in's controls ----------------------------------------------------------

// A button that opens a menu of three items and a submenu of two, and keeps what the
// framework reported.
class MenuButton : public IControl {
 public:
  MenuButton(IPlugBase* pPlug, IRECT r) : IControl(pPlug, r) {
    mMain.AddItem("Alpha");
    mMain.AddItem("Beta");
    mMain.AddItem("Gamma");
    mMain.AddItem("More", &mSub);
    mSub.AddItem("Deep one");
    mSub.AddItem("Deep two");
  }
  bool Draw(IGraphics* pGraphics) override {
    return pGraphics->FillIRect(&COLOR_BLUE, &mRECT);
  }
  void OnMouseDown(int, int, IMouseMod*) override {
    ++opened;
    mMain.SetChosenItemIdx(-1);
    mSub.SetChosenItemIdx(-1);
    result = GetGUI()->CreateIPopupMenu(&mMain, &mRECT);
    chosen = result ? result->GetChosenItemIdx() : -1;
  }
  IPopupMenu mMain, mSub;
  IPopupMenu* result = nullptr;
  int chosen = -1, opened = 0;
};

// A control bound to a parameter with no behaviour of its own: a right click prompts
// for the value (a menu for an enumeration), as IControl does by default.
class ParamBox : public IControl {
 public:
  ParamBox(IPlugBase* pPlug, IRECT r, int paramIdx) : IControl(pPlug, r, paramIdx) { DisablePrompt(false); }
  bool Draw(IGraphics* pGraphics) override { return pGraphics->FillIRect(&COLOR_GREEN, &mRECT); }
};

// Covers more than the whole editor and records every position it is given.
class PositionProbe : public IControl {
 public:
  explicit PositionProbe(IPlugBase* pPlug) : IControl(pPlug, IRECT(-10, -10, kW + 10, kH + 10)) {}
  bool Draw(IGraphics* pGraphics) override { return pGraphics->FillIRect(&COLOR_GRAY, &mRECT); }
  void OnMouseDown(int x, int y, IMouseMod* pMod) override {
    downs.push_back({x, y});
    rightDown = pMod && pMod->R;
  }
  void OnMouseOver(int x, int y, IMouseMod*) override { overs.push_back({x, y}); }
  std::vector<std::pair<int, int>> downs, overs;
  bool rightDown = false;
};

// Sets a cursor type while the pointer is over it.
class CursorZone : public IControl {
 public:
  CursorZone(IPlugBase* pPlug, IRECT r, int cursor) : IControl(pPlug, r), mCursor(cursor) {}
  bool Draw(IGraphics* pGraphics) override { return pGraphics->FillIRect(&COLOR_WHITE, &mRECT); }
  void OnMouseOver(int, int, IMouseMod*) override { GetGUI()->SetMCursor(mCursor); }

 private:
  int mCursor;
};

// A picture of many different pixels: a gradient, a diagonal line and a circle.
class TestCard : public IControl {
 public:
  TestCard(IPlugBase* pPlug, IRECT r) : IControl(pPlug, r) {}
  bool Draw(IGraphics* pGraphics) override {
    const IColor a(255, 200, 30, 40), b(255, 20, 180, 230), c(255, 250, 240, 10);
    pGraphics->FillIRectGrad(&a, &b, &mRECT);
    pGraphics->DrawLine(&COLOR_WHITE, (float)mRECT.L, (float)mRECT.T, (float)mRECT.R - 1, (float)mRECT.B - 1);
    pGraphics->FillCircle(&c, (mRECT.L + mRECT.R) / 2, (mRECT.T + mRECT.B) / 2, 30.f, nullptr, true);
    return true;
  }
};

class CocoaPlugInput : public ::testing::Test {
 protected:
  void SetUp() override {
    mPlug = new TestPlug(6);
    mPlug->InitFiveParams();
    IParam* mode = mPlug->GetParam(kModeParam);
    mode->InitEnum("Mode", 0, 3);
    mode->SetDisplayText(0, "Low");
    mode->SetDisplayText(1, "Mid");
    mode->SetDisplayText(2, "High");
    mGui = new IGraphicsMac(mPlug, kW, kH, 0);
    mWindow = cocoahost::MakeHostWindow(kW, kH);
    cocoahost::Pump(0.1);
  }
  void TearDown() override {
    if (mGui) mGui->CloseWindow();
    delete mPlug;  // and its editor
    [mWindow close];
    [mWindow release];
    cocoahost::Pump(0.05);
  }
  void Open() {
    mPlug->AttachGraphics(mGui);
    ASSERT_NE(mGui->OpenWindow((void*)[mWindow contentView]), nullptr);
    cocoahost::Pump(0.2);
  }
  // Runs the steps while a menu is up, starting with a click of the button at (x, y).
  void ClickAndPilot(unsigned int button, int x, int y, std::vector<std::function<bool()>> steps) {
    MenuPilot* pilot = [[MenuPilot alloc] init];
    pilot->mSteps = &steps;
    pilot->mNext = 0;
    NSTimer* t = [NSTimer timerWithTimeInterval:0.15 target:pilot selector:@selector(tick:) userInfo:nil repeats:YES];
    [[NSRunLoop currentRunLoop] addTimer:t forMode:NSDefaultRunLoopMode];
    [[NSRunLoop currentRunLoop] addTimer:t forMode:NSEventTrackingRunLoopMode];
    [[NSRunLoop currentRunLoop] addTimer:t forMode:NSModalPanelRunLoopMode];
    FakeMove(x, y);
    cocoahost::Pump(0.05);
    // The button stays down while the menu is up, as a user holding it does; the last
    // step lets it go over the item (or away from the menus).
    XTestFakeButtonEvent(gDisplay, button, True, 0);
    XSync(gDisplay, False);
    cocoahost::Pump(0.5);
    for (int i = 0; i < 40 && pilot->mNext < steps.size(); ++i) cocoahost::Pump(0.1);
    EXPECT_EQ(pilot->mNext, steps.size()) << "the menu steps did not all run";
    [t invalidate];
    [pilot release];
    cocoahost::Pump(0.2);
  }

  TestPlug* mPlug = nullptr;
  IGraphicsMac* mGui = nullptr;
  NSWindow* mWindow = nil;
  cocoahost::Input mInput{gDisplay};
};

// A step that moves onto the item with that title once a menu shows it, and is done
// when the menu highlights it (a submenu item then opens its submenu). Menus may be
// placed anew after they first show, so the pointer follows the item until then.
std::function<bool()> Highlight(const char* title) {
  return [title]() {
    int x, y, w, h;
    bool highlighted = false;
    if (!FindMenuItem(title, &x, &y, &w, &h, &highlighted)) return false;
    if (highlighted) return true;
    FakeMove(x + w / 2, y + h / 2);
    return false;
  };
}

// Lets the button go where the pointer is: a held press ends on the item it was
// dragged to.
std::function<bool()> Release(unsigned int button) {
  return [button]() {
    XTestFakeButtonEvent(gDisplay, button, False, 0);
    XSync(gDisplay, False);
    return true;
  };
}

// A step that moves far away from every menu once one is on screen.
std::function<bool()> LeaveMenus() {
  return []() {
    if (VisibleMenus() == 0) return false;
    FakeMove(900, 700);
    return true;
  };
}

}  // namespace

TEST_F(CocoaPlugInput, MenuChoiceReachesTheControl) {
  MenuButton* button = new MenuButton(mPlug, IRECT(20, 20, 120, 50));
  mGui->AttachControl(button);
  Open();
  ClickAndPilot(1, 60, 35, {Highlight("Gamma"), Release(1)});
  EXPECT_EQ(button->opened, 1);
  EXPECT_EQ(button->result, &button->mMain);
  EXPECT_EQ(button->chosen, 2);
  EXPECT_EQ(VisibleMenus(), 0);
}

TEST_F(CocoaPlugInput, SubmenuChoiceReportsTheSubmenu) {
  MenuButton* button = new MenuButton(mPlug, IRECT(20, 20, 120, 50));
  mGui->AttachControl(button);
  Open();
  ClickAndPilot(1, 60, 35, {Highlight("More"), Highlight("Deep two"), Release(1)});
  EXPECT_EQ(button->result, &button->mSub);
  EXPECT_EQ(button->chosen, 1);
  EXPECT_EQ(button->mMain.GetChosenItemIdx(), -1);
}

TEST_F(CocoaPlugInput, DismissedMenuReportsNoChoice) {
  MenuButton* button = new MenuButton(mPlug, IRECT(20, 20, 120, 50));
  mGui->AttachControl(button);
  Open();
  ClickAndPilot(1, 60, 35, {LeaveMenus(), Release(1)});
  EXPECT_EQ(button->opened, 1);
  EXPECT_EQ(button->result, nullptr);
  EXPECT_EQ(button->chosen, -1);
}

TEST_F(CocoaPlugInput, EnumerationMenuSetsTheParameter) {
  mGui->AttachControl(new ParamBox(mPlug, IRECT(150, 100, 250, 130), kModeParam));
  Open();
  mPlug->edits.clear();
  ClickAndPilot(3, 200, 118, {Highlight("High"), Release(3)});
  EXPECT_EQ(mPlug->GetParam(kModeParam)->Int(), 2);
  // One gesture: the host hears begin, the value and end, even though the release
  // went to the menu.
  const std::vector<TestPlug::Edit> gesture = {{'B', kModeParam}, {'V', kModeParam}, {'E', kModeParam}};
  EXPECT_EQ(mPlug->edits, gesture);
}

// The view point of a pixel is its top-left corner counted from the bottom; the
// written conversion then moves it 2 pixels left and 3 up, so the editor's corner
// pixels (0, 0), (w-1, 0), (0, h-1) and (w-1, h-1) arrive as (-2, -3), (w-3, -3),
// (-2, h-4) and (w-3, h-4): a control must reach past the editor's top and left
// edges to be hit at the very corner.
TEST_F(CocoaPlugInput, CornerPixelsArriveWithTheTwoAndThreePixelOffsets) {
  PositionProbe* probe = new PositionProbe(mPlug);
  mGui->AttachControl(probe);
  mGui->HandleMouseOver(true);
  Open();
  const int corners[4][2] = {{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}};
  const std::vector<std::pair<int, int>> written = {{-2, -3}, {kW - 3, -3}, {-2, kH - 4}, {kW - 3, kH - 4}};
  for (const auto& c : corners) {
    mInput.Move(c[0], c[1]);
    mInput.Button(1, true);
    mInput.Button(1, false);
  }
  EXPECT_EQ(probe->downs, written);
  // Motion over the same pixels arrives the same way.
  ASSERT_GE(probe->overs.size(), 4u);
  std::vector<std::pair<int, int>> lastOvers;
  for (const auto& c : corners) {
    mInput.Move(c[0] + 1, c[1]);  // a move the server reports, then the corner itself
    mInput.Move(c[0], c[1]);
    lastOvers.push_back(probe->overs.back());
  }
  EXPECT_EQ(lastOvers, written);
  // The right button: the same position, with the right-button modifier record.
  mInput.Click(3, kW - 1, kH - 1);
  EXPECT_EQ(probe->downs.back(), written.back());
  EXPECT_TRUE(probe->rightDown);
}

namespace {

// The cursor the X server shows at the pointer.
struct ShownCursor {
  int w = 0, h = 0, xhot = -1, yhot = -1;
  std::vector<unsigned int> argb;
  bool operator==(const ShownCursor& o) const {
    return w == o.w && h == o.h && xhot == o.xhot && yhot == o.yhot && argb == o.argb;
  }
};

ShownCursor CursorAtPointer() {
  ShownCursor c;
  XFixesCursorImage* img = XFixesGetCursorImage(gDisplay);
  if (!img) return c;
  c.w = img->width;
  c.h = img->height;
  c.xhot = img->xhot;
  c.yhot = img->yhot;
  for (int i = 0; i < c.w * c.h; ++i) c.argb.push_back((unsigned int)(img->pixels[i] & 0xFFFFFFFFu));
  XFree(img);
  return c;
}

// The custom cursor as the X server should show it: each table byte's grey and
// opacity nibbles widened, the grey premultiplied by the opacity (X cursors hold
// premultiplied pixels), written out here apart from the editor's own code.
std::vector<unsigned int> CustomCursorARGB() {
  std::vector<unsigned int> out;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const unsigned int b = cocoa_rules::kCursorTable[y][x];
      const unsigned int grey = (b >> 4) * 17, alpha = (b & 15) * 17;
      const unsigned int g = (grey * alpha + 127) / 255;
      out.push_back((alpha << 24) | (g << 16) | (g << 8) | g);
    }
  return out;
}

}  // namespace

TEST_F(CocoaPlugInput, CursorTypesShowOnTheServer) {
  mGui->HandleMouseOver(true);
  mGui->AttachControl(new CursorZone(mPlug, IRECT(0, 0, 100, kH), kMCursorArrow));
  mGui->AttachControl(new CursorZone(mPlug, IRECT(100, 0, 200, kH), kMCursorCustom));
  mGui->AttachControl(new CursorZone(mPlug, IRECT(200, 0, kW, kH), 7));
  Open();
  int ev = 0, err = 0;
  ASSERT_TRUE(XFixesQueryExtension(gDisplay, &ev, &err)) << "the X server has no XFixes";
  auto hover = [&](int x) {
    mInput.Move(x, 100);
    mInput.Move(x + 1, 101);
    return CursorAtPointer();
  };

  // The arrow: the system's standard arrow, as the server shows it over a window of
  // the test's own that asks for it by its X name.
  const ShownCursor arrow = hover(50);
  Window own = XCreateSimpleWindow(gDisplay, DefaultRootWindow(gDisplay), 600, 500, 50, 50, 0, 0, 0);
  Cursor leftPtr = XCreateFontCursor(gDisplay, XC_left_ptr);
  XDefineCursor(gDisplay, own, leftPtr);
  XMapRaised(gDisplay, own);
  XSync(gDisplay, False);
  mInput.Move(620, 520);
  const ShownCursor systemArrow = CursorAtPointer();
  XDestroyWindow(gDisplay, own);
  XFreeCursor(gDisplay, leftPtr);
  XSync(gDisplay, False);
  EXPECT_GT(arrow.w, 0);
  EXPECT_EQ(arrow, systemArrow) << "arrow " << arrow.w << "x" << arrow.h << " hot " << arrow.xhot << "," << arrow.yhot
                                << "; system " << systemArrow.w << "x" << systemArrow.h << " hot " << systemArrow.xhot
                                << "," << systemArrow.yhot;

  // The custom cursor: 16 x 16 from the table, hot spot (8, 8).
  const ShownCursor custom = hover(150);
  ASSERT_EQ(custom.w, 16);
  ASSERT_EQ(custom.h, 16);
  EXPECT_EQ(custom.xhot, 8);
  EXPECT_EQ(custom.yhot, 8);
  const std::vector<unsigned int> want = CustomCursorARGB();
  int wrong = 0;
  for (int i = 0; i < 256; ++i)
    if (custom.argb[i] != want[i] && wrong++ < 5)
      ADD_FAILURE() << "pixel (" << i % 16 << ", " << i / 16 << "): " << std::hex << custom.argb[i] << " not "
                    << want[i];
  EXPECT_EQ(wrong, 0);

  // Any other type changes nothing; the arrow comes back on its own zone.
  EXPECT_EQ(hover(250), custom);
  EXPECT_EQ(hover(50), arrow);
  EXPECT_FALSE(arrow == custom);
}

// Double density through the stand-in: at a forced device scale of 2, DrawScreen
// doubles the picture, every pixel a 2 x 2 block, and draws it at device resolution.
// The host window and the editor view are made device-sized, as a double-density
// screen's pixels would be, and the screen must show the headless editor's picture of
// the same control scaled up the same way (and, at scale 1, the picture itself).
TEST_F(CocoaPlugInput, DoubleDensityDrawsEachPixelAsATwoByTwoBlock) {
  mGui->AttachControl(new TestCard(mPlug, IRECT(0, 0, kW, kH)));
  const CGFloat screenH = [[NSScreen mainScreen] frame].size.height;
  [mWindow setFrame:NSMakeRect(0, screenH - 2 * kH, 2 * kW, 2 * kH) display:YES];
  Open();

  TestPlug refPlug;
  IGraphicsHeadless* ref = new IGraphicsHeadless(&refPlug, kW, kH);
  ref->AttachControl(new TestCard(&refPlug, IRECT(0, 0, kW, kH)));
  refPlug.AttachGraphics(ref);
  IRECT all(0, 0, kW, kH);
  ref->IsDirty(&all);
  ref->Draw(&all);
  LICE_IBitmap* picture = ref->GetDrawBitmap();
  ASSERT_NE(picture, nullptr);
  auto refPixel = [&](int x, int y) {
    const LICE_pixel p = picture->getBits()[y * picture->getRowSpan() + x];
    return (unsigned(LICE_GETR(p)) << 16) | (unsigned(LICE_GETG(p)) << 8) | unsigned(LICE_GETB(p));
  };

  NSView* view = (NSView*)mGui->GetWindow();
  for (int scale : {1, 2}) {
    const int w = kW * scale, h = kH * scale;
    TGStandInSetDeviceScale(scale);
    [view setFrameSize:NSMakeSize(w, h)];
    [view setNeedsDisplay:YES];
    cocoahost::Pump(0.3);
    // The picture handed over is device-sized itself, not scaled up on the way.
    EXPECT_EQ(TGStandInLastDrawnImageSize().width, w);
    EXPECT_EQ(TGStandInLastDrawnImageSize().height, h);
    // The view sits at the bottom left of the device-sized window.
    const std::vector<unsigned int> shot = cocoahost::Screenshot(gDisplay, 2 * kW, 2 * kH);
    TGStandInSetDeviceScale(1);
    ASSERT_EQ(shot.size(), size_t(4) * kW * kH);
    auto shown = [&](int x, int y) { return shot[size_t(2 * kH - h + y) * 2 * kW + x]; };
    int differing = 0, fx = 0, fy = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (shown(x, y) != refPixel(x / scale, y / scale) && differing++ == 0) {
          fx = x;
          fy = y;
        }
    EXPECT_EQ(differing, 0) << "scale " << scale << ": first differing pixel (" << fx << ", " << fy << ") is "
                            << std::hex << shown(fx, fy) << ", not " << refPixel(fx / scale, fy / scale);
  }
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return cocoahost::RunTestsUnderXvfb(true, &gDisplay);
}
