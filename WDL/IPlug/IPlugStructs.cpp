#include "IPlugStructs.h"

#include <cmath>
#include <cstdio>
#include <cstring>

char* CopyTextTruncated(char* dst, const char* src, int dstSize) {
  if (!dst || dstSize < 1) return dst;
  if (!src) src = "";
  const size_t n = strnlen(src, static_cast<size_t>(dstSize) - 1);
  // memmove: a caller may shorten a text in place.
  memmove(dst, src, n);
  dst[n] = 0;
  return dst;
}

// ---- IMidiMsg ----------------------------------------------------------------------

namespace {

uint8_t DataByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 127 ? 127 : v)); }

uint8_t StatusByte(int kindBits, int channel) { return static_cast<uint8_t>(kindBits | (channel & 0x0F)); }

}  // namespace

void IMidiMsg::Clear() {
  mOffset = 0;
  mStatus = mData1 = mData2 = 0;
}

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel) {
  Clear();
  mStatus = StatusByte(0x90, channel);
  mData1 = DataByte(noteNumber);
  mData2 = DataByte(velocity);
  mOffset = offset;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel) {
  Clear();
  mStatus = StatusByte(0x80, channel);
  mData1 = DataByte(noteNumber);
  mOffset = offset;
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel) {
  Clear();
  mStatus = StatusByte(0xE0, channel);
  // Clamped as a double so that no value (nor NaN) reaches an out-of-range conversion.
  double i = std::trunc(value * 8192.0) + 8192.0;
  if (std::isnan(i)) i = 8192.0;
  else if (i < 0.0) i = 0.0;
  else if (i > 16383.0) i = 16383.0;
  const int bits = static_cast<int>(i);
  mData1 = static_cast<uint8_t>(bits & 0x7F);
  mData2 = static_cast<uint8_t>((bits >> 7) & 0x7F);
}

void IMidiMsg::MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel) {
  Clear();
  mStatus = StatusByte(0xB0, channel);
  mData1 = DataByte(static_cast<int>(idx));
  double v = std::trunc(value * 127.0);
  if (!(v > 0.0)) v = 0.0;
  else if (v > 127.0) v = 127.0;
  mData2 = static_cast<uint8_t>(v);
}

int IMidiMsg::Channel() const { return mStatus & 0x0F; }

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const {
  // System messages (240 and up) and bare data bytes carry no channel kind.
  if (mStatus >= 0x80 && mStatus < 0xF0) return static_cast<EStatusMsg>(mStatus >> 4);
  return kNone;
}

int IMidiMsg::NoteNumber() const { return mStatus >= 0x80 && mStatus < 0xB0 ? mData1 : -1; }

int IMidiMsg::Velocity() const { return mStatus >= 0x80 && mStatus < 0xA0 ? mData2 : -1; }

int IMidiMsg::PolyAfterTouch() const { return StatusMsg() == kPolyAftertouch ? mData2 : -1; }

int IMidiMsg::ChannelAfterTouch() const { return StatusMsg() == kChannelAftertouch ? mData1 : -1; }

int IMidiMsg::Program() const { return StatusMsg() == kProgramChange ? mData1 : -1; }

double IMidiMsg::PitchWheel() const {
  if (StatusMsg() != kPitchWheel) return 0.0;
  return static_cast<double>(mData1 + 128 * mData2 - 8192) / 8192.0;
}

IMidiMsg::EControlChangeMsg IMidiMsg::ControlChangeIdx() const { return static_cast<EControlChangeMsg>(mData1); }

double IMidiMsg::ControlChange(EControlChangeMsg idx) const {
  if (StatusMsg() == kControlChange && mData1 == static_cast<int>(idx)) return mData2 / 127.0;
  return -1.0;
}

const char* StatusMsgStr(IMidiMsg::EStatusMsg msg) {
  switch (msg) {
    case IMidiMsg::kNone: return "none";
    case IMidiMsg::kNoteOff: return "noteoff";
    case IMidiMsg::kNoteOn: return "noteon";
    case IMidiMsg::kPolyAftertouch: return "aftertouch";
    case IMidiMsg::kControlChange: return "controlchange";
    case IMidiMsg::kProgramChange: return "programchange";
    case IMidiMsg::kChannelAftertouch: return "channelaftertouch";
    case IMidiMsg::kPitchWheel: return "pitchwheel";
  }
  return "unknown";
}

// ---- ISysEx ------------------------------------------------------------------------

void ISysEx::Clear() {
  mOffset = mSize = 0;
  mData = nullptr;
}

char* SysExStr(char* buf, int bufLen, const uint8_t* data, int size) {
  if (!buf || bufLen < 1) return buf;
  buf[0] = 0;
  if (!data || size < 1) return buf;
  const int n = size < bufLen / 3 ? size : bufLen / 3;
  // Each group takes three bytes ("XX" and a space or the final NUL), so n groups
  // always fit in bufLen.
  char* p = buf;
  for (int i = 0; i < n; ++i) {
    snprintf(p, 4, i + 1 < n ? "%02X " : "%02X", data[i]);
    p += i + 1 < n ? 3 : 2;
  }
  return buf;
}
