// The web link and the file selector.
#include <cstdio>

#include "IControl.h"
#include "IGraphics.h"

IURLControl::IURLControl(IPlugBase* pPlug, IRECT pR, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
    : IControl(pPlug, pR) {
  // Bounded copies: a longer text is cut, never written past the buffer.
  snprintf(mURL, sizeof(mURL), "%s", url ? url : "");
  snprintf(mBackupURL, sizeof(mBackupURL), "%s", backupURL ? backupURL : "");
  snprintf(mErrMsg, sizeof(mErrMsg), "%s", errMsgOnFailure ? errMsgOnFailure : "");
}

void IURLControl::OnMouseDown(int, int, IMouseMod*) {
  IGraphics* gui = GetGUI();
  if (!gui || !mURL[0]) return;
  if (!gui->OpenURL(mURL, mErrMsg, nullptr, nullptr) && mBackupURL[0])
    gui->OpenURL(mBackupURL, mErrMsg, nullptr, nullptr);
}

// ---- File selector ----------------------------------------------------------------------------

IFileSelectorControl::IFileSelectorControl(IPlugBase* pPlug, IRECT pR, int paramIdx, const IBitmap* pBitmap,
                                           EFileAction action, const char* dir, const char* extensions)
    : IControl(pPlug, pR, paramIdx),
      mBitmap(pBitmap ? *pBitmap : IBitmap()),
      mDir(dir ? dir : ""),
      mExtensions(extensions ? extensions : ""),
      mFileAction(action) {}

void IFileSelectorControl::OnMouseDown(int, int, IMouseMod*) {
  IGraphics* gui = GetGUI();
  if (!mPlug || !gui) return;
  mState = kFSSelecting;
  SetDirty(false);
  gui->PromptForFile(&mFile, mFileAction, &mDir, mExtensions.Get());
  mValue += 1.0;
  if (mValue > 1.0) mValue = 0.0;
  mState = kFSDone;
  SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* pGraphics) {
  if (mState != kFSSelecting) return true;
  return pGraphics->DrawBitmap(&mBitmap, &mRECT, 0, 0, &mBlend);
}

bool IFileSelectorControl::IsDirty() {
  if (mDirty) return true;
  if (mState == kFSDone) {
    mState = kFSNone;
    return true;
  }
  return false;
}

void IFileSelectorControl::GetLastSelectedFileForPlug(WDL_String* pStr) const {
  if (pStr) pStr->Set(mFile.Get());
}

void IFileSelectorControl::SetLastSelectedFileFromPlug(const char* file) { mFile.Set(file ? file : ""); }
