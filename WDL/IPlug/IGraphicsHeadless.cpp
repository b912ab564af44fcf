// The headless editor backend, its scripted responder and the PNG writer.
#include "IGraphicsHeadless.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "IGraphicsResources.h"
#include "IParam.h"
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

// ---- PNG writer ---------------------------------------------------------------------

namespace {

[[noreturn]] void PngWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWriteWarning(png_structp, png_const_charp) {}

// Encodes into fp; returns false on any libpng error. Only plain pointers and ints
// live in this frame, since libpng leaves it by longjmp.
bool EncodeRGB(FILE* fp, LICE_IBitmap* bm, png_bytep row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteError,
                                            PngWriteWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  const int w = bm->getWidth(), h = bm->getHeight(), span = bm->getRowSpan();
  const LICE_pixel* bits = bm->getBits();
  png_init_io(png, fp);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    const int srcRow = bm->isFlipped() ? h - 1 - y : y;
    const LICE_pixel* p = bits + size_t(srcRow) * size_t(span);
    for (int x = 0; x < w; ++x) {
      row[3 * x + 0] = png_byte(LICE_GETR(p[x]));
      row[3 * x + 1] = png_byte(LICE_GETG(p[x]));
      row[3 * x + 2] = png_byte(LICE_GETB(p[x]));
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteBitmapPNG(LICE_IBitmap* pBitmap, const char* path) {
  if (!pBitmap || !path || !*path) return false;
  const int w = pBitmap->getWidth(), h = pBitmap->getHeight();
  if (w < 1 || h < 1 || !pBitmap->getBits()) return false;

  std::string tmp = std::string(path) + ".tmp-XXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  FILE* fp = fdopen(fd, "wb");
  if (!fp) {
    close(fd);
    unlink(name.data());
    return false;
  }
  // mkstemp makes the file private; a picture is an ordinary readable file.
  fchmod(fd, 0644);
  std::vector<png_byte> row(size_t(w) * 3);
  bool ok = EncodeRGB(fp, pBitmap, row.data());
  ok = (fflush(fp) == 0) && ok;
  ok = (fclose(fp) == 0) && ok;
  if (!ok || rename(name.data(), path) != 0) {
    unlink(name.data());
    return false;
  }
  return true;
}

bool WriteDrawBitmapPNG(IGraphics* pGraphics, const char* path) {
  return pGraphics && WriteBitmapPNG(pGraphics->GetDrawBitmap(), path);
}
