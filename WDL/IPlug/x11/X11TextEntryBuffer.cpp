#include "X11TextEntryBuffer.h"

#include <cstring>

#include "IParam.h"

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xc0) == 0x80; }

int CountChars(const std::string& s) {
  int n = 0;
  for (unsigned char c : s) n += IsContinuation(c) ? 0 : 1;
  return n;
}

}  // namespace

const char* X11EntryCharset(const IParam* pParam) {
  if (!pParam) return nullptr;
  switch (pParam->Type()) {
    case kTypeDouble: return "0123456789.-+";
    case kTypeBool:
    case kTypeInt:
    case kTypeEnum: return "0123456789-+";
    default: return "";
  }
}

void X11TextEntryBuffer::Begin(const char* text, const char* charset, int maxLength) {
  mText = text ? text : "";
  mAnchor = 0;
  mCaret = mText.size();
  mHasCharset = charset != nullptr;
  mCharset = charset ? charset : "";
  mMaxLength = maxLength > 0 ? maxLength : 0;
}

bool X11TextEntryBuffer::Insert(const char* utf8) {
  if (!utf8 || !*utf8) return false;
  const std::string add(utf8);
  for (unsigned char c : add) {
    if (c < 0x20 || c == 0x7f) return false;  // control characters never enter the text
    if (mHasCharset && (c >= 0x80 || !strchr(mCharset.c_str(), c))) return false;
  }
  // The limit counts what stays: the selection goes.
  const int kept = CountChars(mText) - CountChars(mText.substr(SelectionStart(), SelectionEnd() - SelectionStart()));
  if (mMaxLength && kept + CountChars(add) > mMaxLength) return false;
  EraseSelection();
  mText.insert(mCaret, add);
  mCaret += add.size();
  mAnchor = mCaret;
  return true;
}

void X11TextEntryBuffer::EraseSelection() {
  const size_t start = SelectionStart();
  mText.erase(start, SelectionEnd() - start);
  mCaret = mAnchor = start;
}

void X11TextEntryBuffer::Backspace() {
  if (HasSelection()) {
    EraseSelection();
    return;
  }
  if (!mCaret) return;
  size_t start = mCaret - 1;
  while (start > 0 && IsContinuation(static_cast<unsigned char>(mText[start]))) --start;
  mText.erase(start, mCaret - start);
  mCaret = mAnchor = start;
}

void X11TextEntryBuffer::Delete() {
  if (HasSelection()) {
    EraseSelection();
    return;
  }
  if (mCaret >= mText.size()) return;
  size_t end = mCaret + 1;
  while (end < mText.size() && IsContinuation(static_cast<unsigned char>(mText[end]))) ++end;
  mText.erase(mCaret, end - mCaret);
}

void X11TextEntryBuffer::MoveTo(size_t pos, bool extend) {
  mCaret = pos;
  if (!extend) mAnchor = pos;
}

void X11TextEntryBuffer::Left(bool extend) {
  if (HasSelection() && !extend) {
    MoveTo(SelectionStart(), false);
    return;
  }
  size_t pos = mCaret;
  if (pos > 0) --pos;
  while (pos > 0 && IsContinuation(static_cast<unsigned char>(mText[pos]))) --pos;
  MoveTo(pos, extend);
}

void X11TextEntryBuffer::Right(bool extend) {
  if (HasSelection() && !extend) {
    MoveTo(SelectionEnd(), false);
    return;
  }
  size_t pos = mCaret;
  if (pos < mText.size()) ++pos;
  while (pos < mText.size() && IsContinuation(static_cast<unsigned char>(mText[pos]))) ++pos;
  MoveTo(pos, extend);
}

void X11TextEntryBuffer::Home(bool extend) { MoveTo(0, extend); }

void X11TextEntryBuffer::End(bool extend) { MoveTo(mText.size(), extend); }

void X11TextEntryBuffer::SelectAll() {
  mAnchor = 0;
  mCaret = mText.size();
}

int X11TextEntryBuffer::Length() const { return CountChars(mText); }
