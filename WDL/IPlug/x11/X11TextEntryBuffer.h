// The editing state of a text entry: the text, the caret and the input rules (the
// characters a parameter accepts and the control's maximum length). A keystroke
// that would break a rule leaves the text as it was.
#ifndef IPLUG_X11_X11TEXTENTRYBUFFER_H_
#define IPLUG_X11_X11TEXTENTRYBUFFER_H_

#include <string>

class IParam;

// The characters a text entry accepts for the parameter: "0123456789.-+" for a
// continuous parameter, "0123456789-+" for boolean, integer and enumerated ones, ""
// (nothing) for a parameter without type. Null (no rule) without a parameter.
const char* X11EntryCharset(const IParam* pParam);

class X11TextEntryBuffer {
 public:
  // charset null: any printable character; maxLength 0: no limit. The initial text is
  // taken as given; the caret goes to its end.
  void Begin(const char* text, const char* charset, int maxLength);
  // Inserts UTF-8 text at the caret; false (and no change) when a character is not
  // accepted or the result would be longer than the limit (in characters).
  bool Insert(const char* utf8);
  void Backspace();
  void Delete();
  void Left();
  void Right();
  void Home() { mCaret = 0; }
  void End() { mCaret = mText.size(); }

  const std::string& Text() const { return mText; }
  // Caret position as a byte offset into Text().
  size_t Caret() const { return mCaret; }
  // Length in characters.
  int Length() const;

 private:
  std::string mText;
  size_t mCaret = 0;
  std::string mCharset;
  bool mHasCharset = false;
  int mMaxLength = 0;
};

#endif  // IPLUG_X11_X11TEXTENTRYBUFFER_H_
