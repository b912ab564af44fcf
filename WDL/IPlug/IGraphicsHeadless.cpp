// The headless editor backend, its scripted responder and its PNG pictures.
#include "IGraphicsHeadless.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "IGraphicsResources.h"
#include "IParam.h"
#include "PngFileWriter.h"
#include "XdgFolders.h"

// ---- Responder ------------------------------------------------------------------------

void IHeadlessResponder::QueuePopupChoice(int index) {
  std::lock_guard<std::mutex> lock(mLock);
  mPopupChoices.push_back(index);
}

void IHeadlessResponder::QueueTextEntry(const char* text) {
  std::lock_guard<std::mutex> lock(mLock);
  mTexts.emplace_back(text != nullptr, text ? text : "");
}

void IHeadlessResponder::QueueMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mLock);
  mMessageBoxAnswers.push_back(answer);
}

void IHeadlessResponder::QueueFile(const char* path) {
  std::lock_guard<std::mutex> lock(mLock);
  mFiles.push_back(path ? path : "");
}

void IHeadlessResponder::QueueColor(const IColor& color) {
  std::lock_guard<std::mutex> lock(mLock);
  mColors.push_back(color);
}

std::vector<IHeadlessResponder::Request> IHeadlessResponder::GetRequests() const {
  std::lock_guard<std::mutex> lock(mLock);
  return mRequests;
}

int IHeadlessResponder::NRequests() const {
  std::lock_guard<std::mutex> lock(mLock);
  return int(mRequests.size());
}

void IHeadlessResponder::ClearRequests() {
  std::lock_guard<std::mutex> lock(mLock);
  mRequests.clear();
}

void IHeadlessResponder::Record(const Request& r) {
  std::lock_guard<std::mutex> lock(mLock);
  mRequests.push_back(r);
}

int IHeadlessResponder::AnswerPopup(const IPopupMenu& menu, const IRECT& rect) {
  Request r;
  r.kind = kPopupMenu;
  r.rect = rect;
  for (int i = 0; i < menu.GetNItems(); ++i) {
    r.items.push_back(menu.GetItemText(i));
    if (r.checkedItem < 0 && menu.IsItemChecked(i)) r.checkedItem = i;
  }
  int choice = -1;
  {
    std::lock_guard<std::mutex> lock(mLock);
    if (!mPopupChoices.empty()) {
      choice = mPopupChoices.front();
      mPopupChoices.pop_front();
    }
  }
  // An answer naming no item of this menu (an empty menu included) is a cancel.
  if (choice < 0 || choice >= menu.GetNItems()) choice = -1;
  r.answeredIdx = choice;
  r.answered = choice >= 0;
  Record(r);
  return choice;
}

bool IHeadlessResponder::AnswerTextEntry(const char* initial, const IRECT& rect, int paramIdx,
                                         std::string* pText) {
  Request r;
  r.kind = kTextEntry;
  r.rect = rect;
  r.text = initial ? initial : "";
  r.paramIdx = paramIdx;
  {
    std::lock_guard<std::mutex> lock(mLock);
    if (!mTexts.empty()) {
      r.answered = mTexts.front().first;
      r.answeredText = mTexts.front().second;
      mTexts.pop_front();
    }
  }
  if (r.answered && pText) *pText = r.answeredText;
  Record(r);
  return r.answered;
}

int IHeadlessResponder::AnswerMessageBox(const char* text, const char* caption) {
  Request r;
  r.kind = kMessageBox;
  r.text = text ? text : "";
  r.caption = caption ? caption : "";
  int answer = 0;
  {
    std::lock_guard<std::mutex> lock(mLock);
    if (!mMessageBoxAnswers.empty()) {
      answer = mMessageBoxAnswers.front();
      mMessageBoxAnswers.pop_front();
      r.answered = true;
    }
  }
  r.answeredIdx = answer;
  Record(r);
  return answer;
}

bool IHeadlessResponder::AnswerFile(const char* dir, std::string* pPath) {
  Request r;
  r.kind = kFilePrompt;
  r.text = dir ? dir : "";
  {
    std::lock_guard<std::mutex> lock(mLock);
    if (!mFiles.empty()) {
      r.answeredText = mFiles.front();
      mFiles.pop_front();
      r.answered = !r.answeredText.empty();
    }
  }
  if (r.answered && pPath) *pPath = r.answeredText;
  Record(r);
  return r.answered;
}

bool IHeadlessResponder::AnswerColor(const char* prompt, IColor* pColor) {
  Request r;
  r.kind = kColorPrompt;
  r.caption = prompt ? prompt : "";
  IColor c;
  {
    std::lock_guard<std::mutex> lock(mLock);
    if (!mColors.empty()) {
      c = mColors.front();
      mColors.pop_front();
      r.answered = true;
    }
  }
  if (r.answered && pColor) *pColor = c;
  Record(r);
  return r.answered;
}

void IHeadlessResponder::NoteOpenURL(const char* url) {
  Request r;
  r.kind = kOpenURL;
  r.text = url ? url : "";
  Record(r);
}

// ---- Editor -------------------------------------------------------------------------

IGraphicsHeadless::IGraphicsHeadless(IPlugBase* pPlug, int w, int h, int refreshRate)
    : IGraphics(pPlug, w, h, refreshRate), mResponder(&mOwnResponder) {}

IGraphicsHeadless::~IGraphicsHeadless() { CloseThread(); }

void IGraphicsHeadless::SetResponder(IHeadlessResponder* pResponder) { mResponder = pResponder; }

IHeadlessResponder* IGraphicsHeadless::GetResponder() { return mResponder; }

bool IGraphicsHeadless::DrawScreen(IRECT* pR) {
  ++mScreenUpdates;
  if (pR) mLastScreenRect = *pR;
  return true;
}

int IGraphicsHeadless::ShowMessageBox(const char* text, const char* caption, int /*type*/) {
  return mResponder ? mResponder->AnswerMessageBox(text, caption) : 0;
}

IPopupMenu* IGraphicsHeadless::CreateIPopupMenu(IPopupMenu* pMenu, IRECT* pAreaRect) {
  if (!pMenu || !mResponder) return nullptr;
  const int choice = mResponder->AnswerPopup(*pMenu, pAreaRect ? *pAreaRect : IRECT());
  if (choice < 0) return nullptr;
  pMenu->SetChosenItemIdx(choice);
  return pMenu;
}

// A window system's text field ends later; here the script answers at once, and the
// text goes back the way a finished field's text would.
void IGraphicsHeadless::CreateTextEntry(IControl* pControl, IText* /*pText*/, IRECT* pTextRect,
                                        const char* str, IParam* pParam) {
  if (!pControl || !mResponder) return;
  int paramIdx = pParam ? pControl->ParamIdx() : -1;
  std::string typed;
  if (!mResponder->AnswerTextEntry(str, pTextRect ? *pTextRect : IRECT(), paramIdx, &typed))
    return;
  std::vector<char> buf(typed.begin(), typed.end());
  buf.push_back('\0');
  if (pParam)
    SetFromStringAfterPrompt(pControl, pParam, buf.data());
  else {
    mGestures.Enter(true);
    pControl->TextFromTextEntry(buf.data());
    mGestures.Leave();
  }
}

// The same folders as every Linux backend reports.
void IGraphicsHeadless::HostPath(WDL_String* pPath) { XdgHostPath(pPath); }

void IGraphicsHeadless::PluginPath(WDL_String* pPath) { XdgPluginPath(pPath); }

void IGraphicsHeadless::DesktopPath(WDL_String* pPath) { XdgDesktopPath(pPath); }

void IGraphicsHeadless::AppSupportPath(WDL_String* pPath, bool /*isSystem*/) { XdgAppSupportPath(pPath); }

void IGraphicsHeadless::PromptForFile(WDL_String* pFilename, EFileAction /*action*/,
                                      WDL_String* pDir, char* /*extensions*/) {
  if (!pFilename) return;
  std::string path;
  if (mResponder && mResponder->AnswerFile(pDir ? pDir->Get() : "", &path))
    pFilename->Set(path.c_str());
  else
    pFilename->Set("");
}

bool IGraphicsHeadless::PromptForColor(IColor* pColor, char* prompt) {
  return mResponder && pColor && mResponder->AnswerColor(prompt, pColor);
}

bool IGraphicsHeadless::OpenURL(const char* url, const char*, const char*, const char*) {
  if (mResponder) mResponder->NoteOpenURL(url);
  return false;  // nothing can show it
}

void* IGraphicsHeadless::OpenWindow(void* /*pParentWnd*/) { return nullptr; }

void IGraphicsHeadless::CloseWindow() {}

void* IGraphicsHeadless::GetWindow() { return nullptr; }

const char* IGraphicsHeadless::GetGUIAPI() { return "headless"; }

void IGraphicsHeadless::ForceEndUserEdit() {}

void IGraphicsHeadless::SetMCursor(int cursor) { mCursor = cursor; }

void IGraphicsHeadless::SetWindowTransparency(int /*alpha*/) {}

void IGraphicsHeadless::UpdateTooltips() {}

bool IGraphicsHeadless::GetTextFromClipboard(WDL_String* pStr) {
  if (pStr) pStr->Set("");
  return false;
}

void IGraphicsHeadless::UpdateFPS(int fps) {
  if (fps > 0) mFPS = fps;
}

LICE_IBitmap* IGraphicsHeadless::OSLoadBitmap(int id, const char* name) {
  ++mBitmapLoads;
  return LoadResourceBitmap(id, name);
}

// ---- PNG pictures -------------------------------------------------------------------

bool WriteBitmapPNG(LICE_IBitmap* pBitmap, const char* path) {
  return WriteBitmapPNGFile(pBitmap, path, PngLayout());
}

bool WriteDrawBitmapPNG(IGraphics* pGraphics, const char* path) {
  return pGraphics && WriteBitmapPNG(pGraphics->GetDrawBitmap(), path);
}
