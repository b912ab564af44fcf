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
  if (mMaxLength && CountChars(mText) + CountChars(add) > mMaxLength) return false;
  mText.insert(mCaret, add);
  mCaret += add.size();
  return true;
}

void X11TextEntryBuffer::Backspace() {
  if (!mCaret) return;
  size_t start = mCaret - 1;
  while (start > 0 && IsContinuation(static_cast<unsigned char>(mText[start]))) --start;
  mText.erase(start, mCaret - start);
  mCaret = start;
}

void X11TextEntryBuffer::Delete() {
  if (mCaret >= mText.size()) return;
  size_t end = mCaret + 1;
  while (end < mText.size() && IsContinuation(static_cast<unsigned char>(mText[end]))) ++end;
  mText.erase(mCaret, end - mCaret);
}

void X11TextEntryBuffer::Left() {
  if (!mCaret) return;
  --mCaret;
  while (mCaret > 0 && IsContinuation(static_cast<unsigned char>(mText[mCaret]))) --mCaret;
}

void X11TextEntryBuffer::Right() {
  if (mCaret >= mText.size()) return;
  ++mCaret;
  while (mCaret < mText.size() && IsContinuation(static_cast<unsigned char>(mText[mCaret]))) ++mCaret;
}

int X11TextEntryBuffer::Length() const { return CountChars(mText); }
