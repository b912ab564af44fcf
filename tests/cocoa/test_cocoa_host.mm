// The real Toneglass.so with its Cocoa editor, on GNUstep under Xvfb: a host window
// whose content view goes to effEditOpen, the application's run loop turning, real
// input through XTest. Run by run_gui_test.sh (private GNUstep folders, kill timeout).
//   test_cocoa_host                   the host has an NSApp of its own
//   test_cocoa_host --no-host-nsapp   it has none: the plug-in must make one
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "IGraphicsHeadless.h"
#include "IPlugVST_editor_picture.h"
#include "cocoa_test_host.h"
#include "lice.h"

namespace {

constexpr int kW = 700, kH = 400;
constexpr int kDry = 3;
// Screen point over the Dry knob (the view shifts the pointer 2 left and 3 up).
constexpr int kKnobX = 566, kKnobY = 353;

bool gHostHasNSApp = true;
Display* gDisplay = nullptr;

class CocoaEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    mLib = std::make_unique<vsthost::Library>(TONEGLASS_BUNDLE_BINARY);
    ASSERT_TRUE(mLib->Ok()) << mLib->Error();
    mEffect = mLib->Main()(x11host::Recorder::Callback);
    ASSERT_NE(mEffect, nullptr);
    mEffect->user = &mRecorder;
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 0, 512);
    Dispatch(effMainsChanged, 0, 1);
    ASSERT_NE(NSApp, nil) << "the plug-in did not make an application";
    mWindow = cocoahost::MakeHostWindow(kW, kH);
    cocoahost::Pump(0.1);
  }
  void TearDown() override {
    if (mOpen) Dispatch(effEditClose);
    if (mEffect) Dispatch(effClose);
    [mWindow close];
    [mWindow release];
    cocoahost::Pump(0.05);
  }
  VstIntPtr Dispatch(VstInt32 op, VstInt32 idx = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
    return mEffect->dispatcher(mEffect, op, idx, value, ptr, opt);
  }
  bool Open() {
    mOpen = Dispatch(effEditOpen, 0, 0, [mWindow contentView]) == 1;
    return mOpen;
  }
  void Close() {
    Dispatch(effEditClose);
    mOpen = false;
  }
  std::string ParamText(int idx) {
    char buf[128] = {};
    Dispatch(effGetParamDisplay, idx, 0, buf);
    return buf;
  }
  float Get(int idx) { return mEffect->getParameter(mEffect, idx); }
  void Set(int idx, float v) { mEffect->setParameter(mEffect, idx, v); }
  std::vector<x11host::Call> DryCalls() {
    std::vector<x11host::Call> out;
    for (const x11host::Call& c : mRecorder.Calls())
      if ((c.opcode == audioMasterAutomate || c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit) &&
          c.index == kDry)
        out.push_back(c);
    return out;
  }
  // What the host heard about Dry since the recorder last forgot: values, each inside
  // a begin and its end, no gesture left open. (A double click's first click is a
  // gesture of its own, without a value.)
  void ExpectPairedGestures(const char* what) {
    bool open = false;
    int values = 0;
    for (const x11host::Call& c : DryCalls()) {
      if (c.opcode == audioMasterBeginEdit) {
        EXPECT_FALSE(open) << what << ": begin inside a gesture";
        open = true;
      } else if (c.opcode == audioMasterEndEdit) {
        EXPECT_TRUE(open) << what << ": end without a begin";
        open = false;
      } else {
        EXPECT_TRUE(open) << what << ": a value outside a gesture";
        ++values;
      }
    }
    EXPECT_FALSE(open) << what << ": the gesture never ended";
    EXPECT_GT(values, 0) << what;
  }
  // The headless picture of the same state, by a second instance.
  std::unique_ptr<LICE_IBitmap> HeadlessPicture() {
    AEffect* other = mLib->Main()(x11host::Recorder::Callback);
    if (!other) return nullptr;
    other->dispatcher(other, effOpen, 0, 0, nullptr, 0);
    other->dispatcher(other, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    const char* dir = getenv("TONEGLASS_GNUSTEP_TMP");
    const std::string png = std::string(dir ? dir : "/tmp") + "/headless-" + std::to_string(getpid()) + ".png";
    const VstIntPtr ok = other->dispatcher(other, effVendorSpecific, kVSTVendorEditorPNG, 0,
                                           const_cast<char*>(png.c_str()), 0);
    other->dispatcher(other, effClose, 0, 0, nullptr, 0);
    if (ok != 1) return nullptr;
    std::unique_ptr<LICE_IBitmap> bmp(LICE_LoadPNG(png.c_str()));
    remove(png.c_str());
    return bmp;
  }
  static int Differing(const std::vector<unsigned int>& shot, LICE_IBitmap* ref, int* pFirstX, int* pFirstY) {
    int n = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const LICE_pixel want = ref->getBits()[y * ref->getRowSpan() + x];
        const unsigned int rgb = (unsigned(LICE_GETR(want)) << 16) | (unsigned(LICE_GETG(want)) << 8) |
                                 unsigned(LICE_GETB(want));
        if (shot[size_t(y) * kW + x] != rgb) {
          if (n == 0 && pFirstX) {
            *pFirstX = x;
            *pFirstY = y;
          }
          ++n;
        }
      }
    }
    return n;
  }

  std::unique_ptr<vsthost::Library> mLib;
  AEffect* mEffect = nullptr;
  x11host::Recorder mRecorder;
  NSWindow* mWindow = nil;
  bool mOpen = false;
  cocoahost::Input mInput{gDisplay};
};

// Saves a screenshot as a PNG (for the documentation), when asked to.
void SaveShot(const std::vector<unsigned int>& shot) {
  const char* path = getenv("TONEGLASS_COCOA_SCREENSHOT");
  if (!path || !*path) return;
  LICE_MemBitmap bmp(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const unsigned int p = shot[size_t(y) * kW + x];
      bmp.getBits()[y * bmp.getRowSpan() + x] = LICE_RGBA((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, 255);
    }
  WriteBitmapPNG(&bmp, path);
}

}  // namespace

TEST_F(CocoaEditor, FirstPaintWithinTwoSecondsShowsTheHeadlessPicture) {
  std::unique_ptr<LICE_IBitmap> ref = HeadlessPicture();
  ASSERT_NE(ref, nullptr);
  ASSERT_EQ(ref->getWidth(), kW);
  ASSERT_EQ(ref->getHeight(), kH);
  const std::vector<unsigned int> before = cocoahost::Screenshot(gDisplay, kW, kH);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Open());
  double firstPaint = -1;
  std::vector<unsigned int> shot;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    cocoahost::Pump(0.02);
    shot = cocoahost::Screenshot(gDisplay, kW, kH);
    if (shot != before) {
      firstPaint = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      break;
    }
  }
  ASSERT_GE(firstPaint, 0.0) << "nothing painted within 2 s";
  RecordProperty("first_paint_ms", int(firstPaint * 1000));
  cocoahost::Pump(0.3);
  shot = cocoahost::Screenshot(gDisplay, kW, kH);
  SaveShot(shot);
  int fx = -1, fy = -1;
  EXPECT_EQ(Differing(shot, ref.get(), &fx, &fy), 0) << "first differing pixel at (" << fx << ", " << fy << ")";
}

TEST_F(CocoaEditor, DragWheelDoubleClickAndTypedValueReachThePlugin) {
  ASSERT_TRUE(Open());
  cocoahost::Pump(0.2);
  // Drag upwards over the knob: begin, automation, end.
  const float before = Get(kDry);
  mRecorder.Forget();
  mInput.Move(kKnobX, kKnobY);
  mInput.Button(1, true);
  for (int y = kKnobY - 5; y >= kKnobY - 60; y -= 5) mInput.Move(kKnobX, y);
  mInput.Button(1, false);
  const float after = Get(kDry);
  EXPECT_GT(after, before);
  std::vector<x11host::Call> calls = DryCalls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
  for (size_t i = 1; i + 1 < calls.size(); ++i) EXPECT_EQ(calls[i].opcode, audioMasterAutomate);
  for (const x11host::Call& c : calls) EXPECT_EQ(c.thread, std::this_thread::get_id());

  // Wheel up raises, wheel down lowers (from the middle: the drag went to the top).
  Set(kDry, 0.5f);
  cocoahost::Pump(0.1);
  mRecorder.Forget();
  const float w0 = Get(kDry);
  mInput.Click(4, kKnobX, kKnobY);
  const float w1 = Get(kDry);
  EXPECT_GT(w1, w0);
  mInput.Click(5, kKnobX, kKnobY);
  mInput.Click(5, kKnobX, kKnobY);
  EXPECT_LT(Get(kDry), w1);
  // The run of notches is one gesture, ended by the editor's timer after its pause.
  cocoahost::Pump(0.6);
  ExpectPairedGestures("wheel");

  // A double click resets to the default (-6 dB), as a gesture of its own.
  mRecorder.Forget();
  mInput.DoubleClick(kKnobX, kKnobY);
  cocoahost::Pump(0.1);
  EXPECT_EQ(ParamText(kDry), "-6.0");
  ExpectPairedGestures("double click");

  // Right click opens the entry with the text selected: typing replaces it; the
  // formatter refuses the letter; Return applies, as one gesture.
  mInput.Click(3, kKnobX, kKnobY);
  cocoahost::Pump(0.1);
  mRecorder.Forget();
  mInput.Type("-12.5x");
  mInput.Key(XK_Return);
  cocoahost::Pump(0.1);
  EXPECT_EQ(ParamText(kDry), "-12.5");
  ExpectPairedGestures("typed value");
}

TEST_F(CocoaEditor, TenOpensAndClosesInARow) {
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(Open()) << "round " << i;
    EXPECT_EQ([[[mWindow contentView] subviews] count], 1u);
    cocoahost::Pump(0.05);
    Close();
    EXPECT_EQ([[[mWindow contentView] subviews] count], 0u);
    cocoahost::Pump(0.02);
  }
  // The last one still paints.
  const std::vector<unsigned int> blank = cocoahost::Screenshot(gDisplay, kW, kH);
  ASSERT_TRUE(Open());
  cocoahost::Pump(0.5);
  EXPECT_NE(cocoahost::Screenshot(gDisplay, kW, kH), blank);
}

TEST_F(CocoaEditor, TheHostRemovingTheViewFirstIsSafe) {
  ASSERT_TRUE(Open());
  cocoahost::Pump(0.1);
  NSView* editor = [[[mWindow contentView] subviews] objectAtIndex:0];
  // The host takes the view away (and its window with it) before effEditClose.
  [editor removeFromSuperview];
  cocoahost::Pump(0.1);  // late timer ticks find no editor
  Close();
  cocoahost::Pump(0.1);
  // And it opens again afterwards.
  ASSERT_TRUE(Open());
  cocoahost::Pump(0.1);
  [mWindow close];
  cocoahost::Pump(0.1);
  Close();
}

TEST_F(CocoaEditor, KeysTheEditorDoesNotTakeReachTheHostsResponder) {
  ASSERT_TRUE(Open());
  cocoahost::Pump(0.2);
  mInput.Click(1, 100, 100);
  // The editor view is the first responder; a key it does not use goes on to the
  // content view and the window, which beep but do not crash, and the plug-in
  // sees nothing.
  mRecorder.Forget();
  mInput.Key(XK_Escape);
  mInput.Key(XK_a);
  EXPECT_TRUE(DryCalls().empty());
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (strcmp(argv[i], "--no-host-nsapp") == 0) gHostHasNSApp = false;
  return cocoahost::RunTestsUnderXvfb(gHostHasNSApp, &gDisplay);
}
