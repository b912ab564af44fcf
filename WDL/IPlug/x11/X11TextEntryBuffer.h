// The editing state of a text entry: the text, the caret, the selection and the
// input rules (the characters a parameter accepts and the control's maximum length).
// A keystroke that would break a rule leaves the text as it was.
//
// The selection runs between the anchor and the caret (either way round); it is empty
// when they meet. As in every toolkit's text field, the entry opens with its whole
// text selected, so typing replaces it; typing, Backspace and Delete act on a
// selection when there is one; Left and Right without Shift collapse it to its near
// end; with Shift (extend) the caret moves and the anchor stays.
#ifndef IPLUG_X11_X11TEXTENTRYBUFFER_H_
#define IPLUG_X11_X11TEXTENTRYBUFFER_H_

#include <string>

#include "IGraphicsStructs.h"

class IParam;

// Where the entry's window goes, in editor pixels: the control's text rectangle with
// a frame and margin around it, moved (and at worst cut) to lie inside the editor.
struct X11EntryBox {
  int x = 0, y = 0, w = 1, h = 1;
};
X11EntryBox X11EntryBoxFor(const IRECT& text, int editorW, int editorH);

// The characters a text entry accepts for the parameter: "0123456789.-+" for a
// continuous parameter, "0123456789-+" for boolean, integer and enumerated ones, ""
// (nothing) for a parameter without type. Null (no rule) without a parameter.
const char* X11EntryCharset(const IParam* pParam);

class X11TextEntryBuffer {
 public:
  // charset null: any printable character; maxLength 0: no limit. The initial text is
  // taken as given and selected whole, the caret at its end.
  void Begin(const char* text, const char* charset, int maxLength);
  // Replaces the selection (or inserts at the caret) with UTF-8 text; false (and no
  // change) when a character is not accepted or the result would be longer than the
  // limit (in characters).
  bool Insert(const char* utf8);
  void Backspace();
  void Delete();
  void Left(bool extend = false);
  void Right(bool extend = false);
  void Home(bool extend = false);
  void End(bool extend = false);
  void SelectAll();

  const std::string& Text() const { return mText; }
  // Caret position as a byte offset into Text().
  size_t Caret() const { return mCaret; }
  bool HasSelection() const { return mAnchor != mCaret; }
  // The selection as byte offsets [start, end) into Text(); start == end when empty.
  size_t SelectionStart() const { return mAnchor < mCaret ? mAnchor : mCaret; }
  size_t SelectionEnd() const { return mAnchor < mCaret ? mCaret : mAnchor; }
  // Length in characters.
  int Length() const;

 private:
  void EraseSelection();
  void MoveTo(size_t pos, bool extend);

  std::string mText;
  size_t mCaret = 0;
  size_t mAnchor = 0;
  std::string mCharset;
  bool mHasCharset = false;
  int mMaxLength = 0;
};

#endif  // IPLUG_X11_X11TEXTENTRYBUFFER_H_
