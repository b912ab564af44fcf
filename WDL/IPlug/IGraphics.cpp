// The graphics context's lifecycle, control list, parameter binding, dirty check,
// draw passes and idle thread. Events and prompts are in IGraphics_events.cpp; the
// drawing operations and bitmaps in their own files.
//
// Threads: only the editor's thread changes the control list; host threads walk it
// (SetParameterFromPlug and the other plug-in-side calls). Both hold the plug-in's
// recursive lock for that, so a host thread waits at most for a list edit, never for
// a draw pass, which takes no lock.
#include "IGraphics.h"

#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <system_error>

#include "IParam.h"

namespace {

// Holds the plug-in lock when there is a plug-in.
class PlugLock {
 public:
  explicit PlugLock(IPlugBase* pPlug) : mMutex(pPlug ? pPlug->GetMutex() : nullptr) {
    if (mMutex) mMutex->Enter();
  }
  ~PlugLock() {
    if (mMutex) mMutex->Leave();
  }
  PlugLock(const PlugLock&) = delete;
  PlugLock& operator=(const PlugLock&) = delete;

 private:
  WDL_Mutex* mMutex;
};

// Calls f on every control bound to paramIdx, in list order.
template <typename F>
void ForEachBoundControl(WDL_PtrList<IControl>& controls, int paramIdx, F f) {
  for (int i = 0; i < controls.GetSize(); ++i) {
    IControl* pControl = controls.Get(i);
    if (pControl->ParamIdx() == paramIdx) f(pControl);
  }
}

constexpr auto kIdlePeriod = std::chrono::milliseconds(50);
constexpr int kIdleThreadPriority = 32;

}  // namespace

// ---- Lifecycle ------------------------------------------------------------------------------

IGraphics::IGraphics(IPlugBase* pPlug, int w, int h, int refreshRate)
    : mFPS(refreshRate > 0 ? refreshRate : 25), mPlug(pPlug), mWidth(w), mHeight(h), mGestures(pPlug) {
  CreateThread();
}

IGraphics::~IGraphics() {
  CloseThread();
  // Destroyed by its own idle call: the thread returns into the shared block alone,
  // sees the stop and ends, so it may be let go.
  if (mIdleThread.joinable()) mIdleThread.detach();
  delete mKeyCatcher;
  mKeyCatcher = nullptr;
  DeleteAllControls();
  delete mDrawBitmap;
  mDrawBitmap = nullptr;
  delete mTmpBitmap;
  mTmpBitmap = nullptr;
}

void IGraphics::PrepDraw() {
  // A second call (an editor attached twice) replaces the bitmaps instead of leaking.
  delete mDrawBitmap;
  delete mTmpBitmap;
  mDrawBitmap = new LICE_SysBitmap(mWidth > 0 ? mWidth : 0, mHeight > 0 ? mHeight : 0);
  mTmpBitmap = new LICE_MemBitmap(0, 0, 4);
}

void IGraphics::DeleteAllControls() {
  PlugLock lock(mPlug);
  for (int i = mControls.GetSize() - 1; i >= 0; --i) delete mControls.Get(i);
  mControls.Empty(false);
}

void IGraphics::Resize(int w, int h, int keepControls) {
  mWidth = w;
  mHeight = h;
  if (!keepControls) {
    ReleaseMouseCapture();
    mMouseOver = -1;
    DeleteAllControls();
  }
  delete mDrawBitmap;
  mDrawBitmap = nullptr;
  delete mTmpBitmap;
  mTmpBitmap = nullptr;
  PrepDraw();
  if (mPlug) mPlug->ResizeGraphics(w, h, keepControls);
}

void IGraphics::NewGraphics() {
  ReleaseMouseCapture();
  mMouseOver = -1;
  DeleteAllControls();
  delete mDrawBitmap;
  mDrawBitmap = nullptr;
  delete mTmpBitmap;
  mTmpBitmap = nullptr;
  PrepDraw();
  if (mPlug) mPlug->OnWindowNewGraphics();
}

// ---- Idle thread ----------------------------------------------------------------------------

void IGraphics::CreateThread() {
  if (mIdleRunning) return;
  // A thread stopped from inside its own idle call has ended or is about to.
  if (mIdleThread.joinable()) {
    if (mIdleThread.get_id() == std::this_thread::get_id()) return;
    mIdleThread.join();
  }
  auto shared = std::make_shared<IdleShared>();
  mIdle = shared;
  mIdleRunning = true;
  try {
    mIdleThread = std::thread(&IGraphics::ThreadProc, this, std::move(shared));
  } catch (const std::system_error&) {
    // No thread could be made: the editor works, the plug-in just gets no idle calls.
    mIdleRunning = false;
    return;
  }
  int policy = 0;
  sched_param param{};
  if (pthread_getschedparam(mIdleThread.native_handle(), &policy, &param) == 0) {
    const int lo = sched_get_priority_min(policy), hi = sched_get_priority_max(policy);
    int prio = kIdleThreadPriority;
    if (prio < lo) prio = lo;
    if (prio > hi) prio = hi;
    param.sched_priority = prio;
    pthread_setschedparam(mIdleThread.native_handle(), policy, &param);
  }
}

// Ticks on a fixed schedule (a slow OnPlugIdle delays the next tick, it does not
// shift all later ones) and wakes at once when asked to stop. The owner is touched
// only while no stop has been seen: a stop from another thread joins this one first,
// and a stop from inside an idle call is seen before the owner is used again.
void IGraphics::ThreadProc(IGraphics* pOwner, std::shared_ptr<IdleShared> pShared) {
  std::unique_lock<std::mutex> lock(pShared->mutex);
  auto next = std::chrono::steady_clock::now() + kIdlePeriod;
  while (!pShared->stop) {
    if (pShared->wake.wait_until(lock, next, [&pShared] { return pShared->stop; })) break;
    lock.unlock();
    if (IPlugBase* pPlug = pOwner->mPlug) pPlug->OnPlugIdle();
    lock.lock();
    next += kIdlePeriod;
    const auto now = std::chrono::steady_clock::now();
    if (next < now) next = now + kIdlePeriod;
  }
}

void IGraphics::CloseThread() {
  if (mIdle) {
    {
      std::lock_guard<std::mutex> lock(mIdle->mutex);
      mIdle->stop = true;
    }
    mIdle->wake.notify_all();
  }
  // An idle call that stops its own thread cannot wait for itself: the thread ends
  // when that call returns, and a later stop from any other thread (or the
  // destructor) joins it.
  if (mIdleThread.joinable() && mIdleThread.get_id() != std::this_thread::get_id()) mIdleThread.join();
  mIdleRunning = false;
}

// ---- Control list ---------------------------------------------------------------------------

int IGraphics::AttachControl(IControl* pControl) {
  if (!pControl) return -1;
  PlugLock lock(mPlug);
  if (!mControls.Add(pControl)) {
    delete pControl;
    return -1;
  }
  return mControls.GetSize() - 1;
}

// The new control goes under every other one; indices the context holds move with
// their controls.
static void InsertAtBottom(WDL_PtrList<IControl>* pList, IControl* pControl, int* pCapture,
                           int* pOver) {
  if (!pList->Insert(0, pControl)) {
    delete pControl;
    return;
  }
  if (*pCapture >= 0) ++*pCapture;
  if (*pOver >= 0) ++*pOver;
}

void IGraphics::AttachBackground(int id, const char* name) {
  IBitmap bg = LoadIBitmap(id, name, 1);
  IControl* pBG = new IBitmapControl(mPlug, 0, 0, -1, &bg, IChannelBlend::kBlendClobber);
  PlugLock lock(mPlug);
  InsertAtBottom(&mControls, pBG, &mMouseCapture, &mMouseOver);
}

void IGraphics::AttachPanelBackground(const IColor* pColor) {
  IControl* pBG = new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), pColor,
                                    IChannelBlend(IChannelBlend::kBlendNormal, 1.0f));
  PlugLock lock(mPlug);
  InsertAtBottom(&mControls, pBG, &mMouseCapture, &mMouseOver);
}

void IGraphics::AttachKeyCatcher(IControl* pControl) {
  if (pControl != mKeyCatcher) delete mKeyCatcher;
  mKeyCatcher = pControl;
}

void IGraphics::ResizeUpdateControls(int refW, int refH, double factorX, double factorY) {
  for (int i = 0; i < mControls.GetSize(); ++i) {
    IControl* pControl = mControls.Get(i);
    if (!pControl->IsResizeEnabled()) continue;
    IResize* pRule = pControl->GetResize();
    pRule->mRefW = refW;
    pRule->mRefH = refH;
    pRule->mFactorX = factorX;
    pRule->mFactorY = factorY;
    pControl->SetRECT(pRule->GetRectResize());
  }
}

// ---- Parameter binding ----------------------------------------------------------------------

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized) {
  if (paramIdx < 0) return;
  PlugLock lock(mPlug);
  if (!normalized) {
    const IParam* pParam = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!pParam) return;
    value = pParam->GetNormalized(value);
  }
  for (int i = 0; i < mControls.GetSize(); ++i) {
    IControl* pControl = mControls.Get(i);
    if (pControl->ParamIdx() == paramIdx) pControl->SetValueFromPlug(value);
    const int aux = pControl->AuxParamIdx(paramIdx);
    if (aux >= 0) pControl->SetAuxParamValueFromPlug(aux, value);
  }
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue) {
  PlugLock lock(mPlug);
  if (IControl* pControl = mControls.Get(controlIdx)) pControl->SetValueFromPlug(normalizedValue);
}

double IGraphics::GetControlFromPlug(int controlIdx) {
  PlugLock lock(mPlug);
  IControl* pControl = mControls.Get(controlIdx);
  return pControl ? pControl->GetValueFromPlug() : 0.0;
}

void IGraphics::SetParameterFromGUI(int paramIdx, double value, bool normalized) {
  if (paramIdx < 0) return;
  const IParam* pParam = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
  if (!normalized && !pParam) return;
  const double v = normalized ? value : pParam->GetNormalized(value);
  ForEachBoundControl(mControls, paramIdx, [&](IControl* pControl) { pControl->SetValueFromUserInput(v); });
}

void IGraphics::SetParameterFromGUIDefault(int paramIdx, double value) {
  if (paramIdx < 0) return;
  ForEachBoundControl(mControls, paramIdx, [&](IControl* pControl) { pControl->SetDefaultValueFromUserInput(value); });
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized) {
  if (paramIdx < 0) return;
  PlugLock lock(mPlug);
  if (!normalized) {
    const IParam* pParam = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!pParam) return;
    lo = pParam->GetNormalized(lo);
    hi = pParam->GetNormalized(hi);
  }
  ForEachBoundControl(mControls, paramIdx, [&](IControl* pControl) { pControl->Clamp(lo, hi); });
}

void IGraphics::HideControl(int paramIdx, bool hide) {
  if (paramIdx < 0) return;
  PlugLock lock(mPlug);
  ForEachBoundControl(mControls, paramIdx, [&](IControl* pControl) { pControl->Hide(hide); });
}

void IGraphics::GrayOutControl(int paramIdx, bool gray) {
  if (paramIdx < 0) return;
  PlugLock lock(mPlug);
  ForEachBoundControl(mControls, paramIdx, [&](IControl* pControl) { pControl->GrayOut(gray); });
}

void IGraphics::TransparentControl(int paramIdx, bool transparent) {
  if (paramIdx < 0) return;
  PlugLock lock(mPlug);
  ForEachBoundControl(mControls, paramIdx, [&](IControl* pControl) { pControl->MakeTransparent(transparent); });
}

void IGraphics::SetAllControlsDirty(bool pushParamToPlug) {
  PlugLock lock(mPlug);
  for (int i = 0; i < mControls.GetSize(); ++i) mControls.Get(i)->SetDirty(pushParamToPlug);
}

void IGraphics::AssignParamNameToolTips() {
  PlugLock lock(mPlug);
  for (int i = 0; i < mControls.GetSize(); ++i) {
    IControl* pControl = mControls.Get(i);
    const IParam* pParam = pControl->GetParam();
    if (!pParam) continue;
    char tip[80];
    snprintf(tip, sizeof(tip), "%.79s", pParam->GetNameForHost());
    pControl->SetTooltip(tip);
  }
}

void IGraphics::SetStrictDrawing(bool strict) {
  mStrict = strict;
  SetAllControlsDirty(false);
}

void IGraphics::ReleaseMouseCapture() { mMouseCapture = mMouseX = mMouseY = -1; }

// ---- Dirty check and draw passes ------------------------------------------------------------

bool IGraphics::IsDirty(IRECT* pR) {
  if (mPlug) mPlug->OnGUIIdle();
  bool dirty = false;
  const int n = mControls.GetSize();
  for (int i = 0; i < n; ++i) {
    IControl* pControl = mControls.Get(i);
    if (!pControl->IsDirty()) continue;
    if (pR) *pR = pR->Union(pControl->GetRECT());
    dirty = true;
  }
  if (dirty) {
    mIdleTicks = 0;
    return true;
  }
  if (mIdleTicks++ >= 20) {
    OnGUIIdle();
    mIdleTicks = 0;
  }
  return false;
}

static bool DrawControl(IControl* pControl, IGraphics* pGraphics) {
  pControl->SyncBlendForDraw();
  return pControl->Draw(pGraphics);
}

bool IGraphics::Draw(IRECT* pR) {
  const int n = mControls.GetSize();
  if (!n) return true;
  // Without a region or a canvas there is nothing to paint into.
  if (!pR || !mDrawBitmap) return false;

  if (mStrict) {
    mDrawRECT = *pR;
    for (int i = 0; i < n; ++i) {
      IControl* pControl = mControls.Get(i);
      if (!pControl->IsHidden() && pR->Intersects(pControl->GetRECT())) DrawControl(pControl, this);
      pControl->SetClean();
    }
  } else if (mControls.Get(0)->IsDirty()) {
    mDrawRECT = *mControls.Get(0)->GetRECT();
    for (int j = 0; j < n; ++j) {
      IControl* pControl = mControls.Get(j);
      if (j && pControl->IsHidden()) continue;
      DrawControl(pControl, this);
      pControl->SetClean();
    }
  } else {
    for (int i = 1; i < n; ++i) {
      IControl* pDirty = mControls.Get(i);
      if (!pDirty->IsDirty()) continue;
      mDrawRECT = *pDirty->GetRECT();
      for (int j = 0; j < n; ++j) {
        IControl* pControl = mControls.Get(j);
        if (pControl->IsHidden()) continue;
        if (j == i || pControl->GetRECT()->Intersects(&mDrawRECT)) DrawControl(pControl, this);
      }
      pDirty->SetClean();
    }
  }
  return DrawScreen(pR);
}

void IGraphics::OnGUIIdle() {
  for (int i = 0; i < mControls.GetSize(); ++i) mControls.Get(i)->OnGUIIdle();
}
