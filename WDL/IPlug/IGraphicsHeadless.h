// IGraphicsHeadless: the platform subclass for running an editor without a window
// system, for tests and for rendering an editor to a picture. It draws into the same
// bitmap as any backend; DrawScreen succeeds without a screen. Everything a window
// system would ask the user (popup menus, text entry, message boxes, file and colour
// prompts) is answered by a scripted responder, which also records what was asked.
// Images come from the resource lookup (IGraphicsResources.h).
#ifndef IPLUG_IGRAPHICSHEADLESS_H_
#define IPLUG_IGRAPHICSHEADLESS_H_

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "IGraphics.h"

// Answers the prompts of a headless editor from queues filled in advance, and keeps a
// log of every prompt. When a queue is empty the prompt is cancelled (no menu item,
// no text, message box answer 0, no file, no colour).
class IHeadlessResponder {
 public:
  enum ERequestKind { kPopupMenu, kTextEntry, kMessageBox, kFilePrompt, kColorPrompt, kOpenURL };

  // What one prompt asked.
  struct Request {
    ERequestKind kind;
    IRECT rect;                      // popup and text entry: where it would appear
    std::string text;                // text entry: the initial text; message box: the
                                     // message; file prompt: the directory; URL: the URL
    std::string caption;             // message box caption, colour prompt text
    std::vector<std::string> items;  // popup: the item texts in order
    int checkedItem = -1;            // popup: the first checked item
    int paramIdx = -1;               // text entry: the parameter, -1 without
    int answeredIdx = -1;            // popup: the index answered, -1 when cancelled
    std::string answeredText;        // text entry / file: what was answered
    bool answered = false;
  };

  virtual ~IHeadlessResponder() = default;

  // Queue answers, used in order. A popup answer of -1 (or an index outside the menu)
  // cancels it; a null text cancels a text entry. A text reaches the editor exactly as
  // queued: unlike a window system's field there is no character filter or length
  // limit, so a script can hand the editor any text at all.
  void QueuePopupChoice(int index);
  void QueueTextEntry(const char* text);
  void QueueMessageBoxAnswer(int answer);
  void QueueFile(const char* path);
  void QueueColor(const IColor& color);

  // The prompts seen so far, oldest first.
  std::vector<Request> GetRequests() const;
  int NRequests() const;
  void ClearRequests();

  // Called by the headless editor; a subclass may answer some other way. Each returns
  // the answer and records the request.
  virtual int AnswerPopup(const IPopupMenu& menu, const IRECT& rect);  // -1: cancelled
  virtual bool AnswerTextEntry(const char* initial, const IRECT& rect, int paramIdx,
                               std::string* pText);
  virtual int AnswerMessageBox(const char* text, const char* caption);
  virtual bool AnswerFile(const char* dir, std::string* pPath);
  virtual bool AnswerColor(const char* prompt, IColor* pColor);
  virtual void NoteOpenURL(const char* url);

 protected:
  void Record(const Request& r);

 private:
  mutable std::mutex mLock;
  std::deque<int> mPopupChoices;
  std::deque<std::pair<bool, std::string>> mTexts;  // (given, text)
  std::deque<int> mMessageBoxAnswers;
  std::deque<std::string> mFiles;
  std::deque<IColor> mColors;
  std::vector<Request> mRequests;
};

class IGraphicsHeadless : public IGraphics {
 public:
  IGraphicsHeadless(IPlugBase* pPlug, int w, int h, int refreshRate = 0);
  ~IGraphicsHeadless() override;

  // The responder answering this editor's prompts (not owned; null: every prompt is
  // cancelled). By default the editor has a responder of its own with empty queues.
  void SetResponder(IHeadlessResponder* pResponder);
  IHeadlessResponder* GetResponder();

  // How often DrawScreen ran and the last region it was given.
  int NScreenUpdates() const { return mScreenUpdates; }
  IRECT LastScreenRect() const { return mLastScreenRect; }
  // How often OSLoadBitmap ran (the bitmap cache asks only for images not yet held).
  int NBitmapLoads() const { return mBitmapLoads; }
  int GetMCursor() const { return mCursor; }

  // Names itself "headless". There is no window: OpenWindow and GetWindow give null,
  // and the cursor and transparency are only remembered (GetMCursor).
  IGRAPHICS_PLATFORM_OPERATIONS

 private:
  IHeadlessResponder mOwnResponder;
  IHeadlessResponder* mResponder;
  int mScreenUpdates = 0;
  IRECT mLastScreenRect;
  int mBitmapLoads = 0;
  int mCursor = kMCursorArrow;
};

// Writes the editor's draw bitmap to a PNG file (8-bit RGB: the colours as a screen
// shows them, the alpha byte dropped) through the PNG writer (PngFileWriter.h), so a
// reader never sees half a picture. False (and no file left behind, the target as it
// was) when there is no draw bitmap or the file cannot be written.
bool WriteDrawBitmapPNG(IGraphics* pGraphics, const char* path);
// The same for any bitmap.
bool WriteBitmapPNG(LICE_IBitmap* pBitmap, const char* path);

#endif  // IPLUG_IGRAPHICSHEADLESS_H_
