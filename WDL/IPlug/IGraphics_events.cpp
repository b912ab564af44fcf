// The graphics context's hit testing, mouse and key dispatch (with the begin-edit and
// end-edit notifications around a gesture) and the prompts controls ask for.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "IGraphics.h"
#include "IParam.h"

namespace {

// Controls always receive modifiers, even when the platform passed none.
IMouseMod* OrNone(IMouseMod* pMod, IMouseMod* pNone) { return pMod ? pMod : pNone; }

long long NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// One user event as the edit gestures see it: values pushed while it runs belong to
// the user (see IEditGestures).
class UserEvent {
 public:
  UserEvent(IEditGestures& g, bool endsWheel) : mGestures(g) { mGestures.Enter(endsWheel); }
  ~UserEvent() { mGestures.Leave(); }
  UserEvent(const UserEvent&) = delete;
  UserEvent& operator=(const UserEvent&) = delete;

 private:
  IEditGestures& mGestures;
};

}  // namespace

// ---- Hit testing ----------------------------------------------------------------------------

int IGraphics::GetMouseControlIdx(int x, int y, bool mo) {
  if (mMouseCapture >= 0) return mMouseCapture;
  for (int i = mControls.GetSize() - 1; i >= 0; --i) {
    IControl* pControl = mControls.Get(i);
    if (pControl->IsHidden()) continue;
    if (pControl->IsGrayed() && !(mo && pControl->GetMOWhenGrayed())) continue;
    if (pControl->IsHit(x, y)) return i;
  }
  return -1;
}

int IGraphics::GetParamIdxForPTAutomation(int x, int y) {
  const int idx = GetMouseControlIdx(x, y);
  mLastClickedParam = idx > 0 ? mControls.Get(idx)->ParamIdx() : -1;
  return mLastClickedParam;
}

int IGraphics::GetLastClickedParamForPTAutomation() {
  const int idx = mLastClickedParam;
  mLastClickedParam = -1;
  return idx;
}

// ---- Mouse ----------------------------------------------------------------------------------

void IGraphics::OnMouseDown(int x, int y, IMouseMod* pMod) {
  IMouseMod none;
  pMod = OrNone(pMod, &none);
  mLastMouseMod = *pMod;
  mMouseButtonDown = true;
  ReleaseMouseCapture();
  const int c = GetMouseControlIdx(x, y);
  IControl* pControl = mControls.Get(c);
  if (!pControl) {
    mGestures.EndAll();  // a click on nothing still ends a wheel run
    return;
  }
  mMouseCapture = c;
  mMouseX = x;
  mMouseY = y;
  // The press is the gesture: the host hears "begin" now and "end" on the release.
  mGestures.BeginPress(pControl->ParamIdx());
  UserEvent event(mGestures, true);
  pControl->OnMouseDown(x, y, pMod);
}

void IGraphics::OnMouseUp(int x, int y, IMouseMod* pMod) {
  IMouseMod none;
  pMod = OrNone(pMod, &none);
  mLastMouseMod = *pMod;
  mMouseButtonDown = false;
  const int c = GetMouseControlIdx(x, y);
  ReleaseMouseCapture();
  IControl* pControl = mControls.Get(c);
  if (pControl) {
    UserEvent event(mGestures, false);
    pControl->OnMouseUp(x, y, pMod);
  }
  // Ends what the press began, whichever control the pointer is over now; a release
  // with no press before it (after a double click) ends nothing.
  mGestures.EndPress();
}

void IGraphics::OnMouseDrag(int x, int y, IMouseMod* pMod) {
  IMouseMod none;
  pMod = OrNone(pMod, &none);
  mLastMouseMod = *pMod;
  IControl* pControl = mControls.Get(mMouseCapture);
  if (!pControl) return;
  const int dX = x - mMouseX, dY = y - mMouseY;
  if (dX == 0 && dY == 0) return;
  mMouseX = x;
  mMouseY = y;
  UserEvent event(mGestures, false);
  pControl->OnMouseDrag(x, y, dX, dY, pMod);
}

bool IGraphics::OnMouseDblClick(int x, int y, IMouseMod* pMod) {
  IMouseMod none;
  pMod = OrNone(pMod, &none);
  mLastMouseMod = *pMod;
  ReleaseMouseCapture();
  const int c = GetMouseControlIdx(x, y);
  IControl* pControl = mControls.Get(c);
  // The first click's gesture ended with its release; this one is new.
  mGestures.EndAll();
  if (!pControl) return false;
  if (pControl->MouseDblAsSingleClick()) {
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    mGestures.BeginPress(pControl->ParamIdx());
    UserEvent event(mGestures, true);
    pControl->OnMouseDown(x, y, pMod);
    return true;
  }
  // A reset and the like: begin, value and end within this event.
  UserEvent event(mGestures, true);
  pControl->OnMouseDblClick(x, y, pMod);
  return false;
}

void IGraphics::OnMouseWheel(int x, int y, IMouseMod* pMod, int d) {
  IMouseMod none;
  pMod = OrNone(pMod, &none);
  mLastMouseMod = *pMod;
  const int c = GetMouseControlIdx(x, y);
  IControl* pControl = mControls.Get(c);
  if (!pControl) return;
  // Notches in a row are one gesture, ended by a pause (PollEditGestures).
  mGestures.WheelNotch(c, NowMs());
  UserEvent event(mGestures, false);
  pControl->OnMouseWheel(x, y, pMod, d);
}

void IGraphics::PollEditGestures() { mGestures.Poll(NowMs()); }

bool IGraphics::OnMouseOver(int x, int y, IMouseMod* pMod) {
  IMouseMod none;
  pMod = OrNone(pMod, &none);
  mLastMouseMod = *pMod;
  if (!mHandleMouseOver) return false;
  const int c = GetMouseControlIdx(x, y, true);
  IControl* pControl = mControls.Get(c);
  if (pControl) {
    mMouseX = x;
    mMouseY = y;
    pControl->OnMouseOver(x, y, pMod);
    if (mMouseOver >= 0 && mMouseOver != c) {
      if (IControl* pOld = mControls.Get(mMouseOver)) pOld->OnMouseOut();
    }
    mMouseOver = c;
  }
  return mHandleMouseOver;
}

void IGraphics::OnMouseOut() {
  for (int i = 0; i < mControls.GetSize(); ++i) mControls.Get(i)->OnMouseOut();
  mMouseOver = -1;
}

// ---- Keys -----------------------------------------------------------------------------------

bool IGraphics::OnKeyDown(int x, int y, int key) {
  UserEvent event(mGestures, true);
  const int c = GetMouseControlIdx(x, y);
  if (c > 0) {
    if (IControl* pControl = mControls.Get(c)) return pControl->OnKeyDown(x, y, key);
  }
  return mKeyCatcher ? mKeyCatcher->OnKeyDown(x, y, key) : false;
}

// ---- Prompts --------------------------------------------------------------------------------

void IGraphics::PromptUserInput(IControl* pControl, IParam* pParam, IRECT* pTextRect) {
  if (!pControl || !pParam || !pTextRect) return;
  double current;
  {
    // The parameter's value is written by host threads under the plug-in lock.
    WDL_MutexLock lock(mPlug ? mPlug->GetMutex() : nullptr);
    current = pParam->Value();
  }
  const int nTexts = pParam->GetNDisplayTexts();
  const EParamType type = pParam->Type();
  // A menu needs items: an enumeration without display texts gets a text field.
  if (nTexts > 0 && (type == kTypeEnum || type == kTypeBool)) {
    char currentText[MAX_PARAM_DISPLAY_LEN];
    pParam->GetDisplayForHost(current, false, currentText, true);
    IPopupMenu menu;
    for (int i = 0; i < nTexts; ++i) {
      const char* text = pParam->GetDisplayTextAtIdx(i);
      menu.AddItem(text, -1,
                   strcmp(text, currentText) == 0 ? IPopupMenuItem::kChecked : IPopupMenuItem::kNoFlags);
    }
    if (!CreateIPopupMenu(&menu, pTextRect)) return;
    // The chosen item stands for its display text's value (for the usual texts
    // 0..n-1 that is the index itself). An index outside the menu changes nothing.
    const int chosen = menu.GetChosenItemIdx();
    if (chosen < 0 || chosen >= nTexts) return;
    int value = chosen;
    pParam->GetDisplayTextAtIdx(chosen, &value);
    pControl->SetValueFromUserInput(pParam->GetNormalized(static_cast<double>(value)));
    return;
  }
  char text[512];
  pParam->GetDisplayForHost(current, false, text, false);
  CreateTextEntry(pControl, pControl->GetText(), pTextRect, text, pParam);
}

void IGraphics::SetFromStringAfterPrompt(IControl* pControl, IParam* pParam, char* txt) {
  if (!pParam || !pControl) return;
  // A typed value is a gesture of its own (or part of the press that prompted for it).
  UserEvent event(mGestures, true);
  const char* text = txt ? txt : "";
  double v;
  const EParamType type = pParam->Type();
  if (type == kTypeBool || type == kTypeEnum) {
    int mapped = 0;
    if (!pParam->MapDisplayText(text, &mapped)) mapped = 0;
    v = mapped;
  } else {
    v = atof(text);
  }
  pControl->SetValueFromUserInput(pParam->GetNormalized(v));
}
