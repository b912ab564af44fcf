// Plain records that carry host data between the host adapter and the plug-in base:
// one short MIDI message (IMidiMsg), one system-exclusive message (ISysEx) and the
// host's transport and tempo state (ITimeInfo). Also the sizes of the framework's
// fixed-size texts and the truncating copy that fills them.
#ifndef IPLUG_IPLUGSTRUCTS_H_
#define IPLUG_IPLUGSTRUCTS_H_

#include <cstdint>

// ---- Fixed-size texts -----------------------------------------------------------
// Sizes include the terminating NUL.
#define MAX_PARAM_NAME_LEN 32
#define MAX_PARAM_LABEL_LEN 32
#define MAX_PARAM_GROUP_LEN 32
#define MAX_PARAM_DISPLAY_LEN 32
#define MAX_EFFECT_NAME_LEN 128
#define MAX_PRESET_NAME_LEN 256
#define MAX_HOST_NAME_LEN 32

// Copies src into dst, which holds dstSize bytes, cutting it to dstSize - 1 bytes and
// always terminating it. A null src copies the empty text; a null dst or a size
// below 1 writes nothing. Returns dst. Every fixed-size text that a host, a file or
// a caller fills goes through here, so none of them can overflow.
char* CopyTextTruncated(char* dst, const char* src, int dstSize);

// ---- MIDI -------------------------------------------------------------------------

// One short MIDI message and the frame of the current block at which it applies.
struct IMidiMsg {
  int mOffset;
  uint8_t mStatus, mData1, mData2;

  // Message kinds: the status byte's high four bits.
  enum EStatusMsg {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14
  };

  // A controller number, 0 to 127; the common ones are named.
  enum EControlChangeMsg : int {
    kModWheel = 1,
    kBreathController = 2,
    kFootController = 4,
    kPortamentoTime = 5,
    kChannelVolume = 7,
    kBalance = 8,
    kPan = 10,
    kExpressionController = 11,
    kSustainOnOff = 64,
    kPortamentoOnOff = 65,
    kSostenutoOnOff = 66,
    kSoftPedalOnOff = 67,
    kAllSoundOff = 120,
    kResetAllControllers = 121,
    kAllNotesOff = 123
  };

  explicit IMidiMsg(int offset = 0, uint8_t status = 0, uint8_t data1 = 0, uint8_t data2 = 0)
      : mOffset(offset), mStatus(status), mData1(data1), mData2(data2) {}

  // Builders. Each clears the whole record first. The channel is reduced to its low
  // four bits, so a channel outside 0..15 cannot change the message kind; note,
  // velocity and controller numbers are clamped into the data-byte range 0..127.
  void Clear();
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0);
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0);
  // value in -1..1; the 14-bit result is clamped into 0..16383 (NaN gives the centre).
  void MakePitchWheelMsg(double value, int channel = 0);
  // value in 0..1; data2 is the integer part of value * 127, clamped into 0..127.
  void MakeControlChangeMsg(EControlChangeMsg idx, double value, int channel = 0);

  // Readers. -1 means the message is not of the kind asked for.
  int Channel() const;
  EStatusMsg StatusMsg() const;
  int NoteNumber() const;
  int Velocity() const;
  int PolyAfterTouch() const;
  int ChannelAfterTouch() const;
  int Program() const;
  // -1 to just under 1 for a pitch-wheel message; 0 otherwise.
  double PitchWheel() const;
  EControlChangeMsg ControlChangeIdx() const;
  // data2 / 127 for a control change of controller idx; -1 otherwise.
  double ControlChange(EControlChangeMsg idx) const;
  void LogMsg() {}
};

// The text of a message kind: "none", "noteoff", "noteon", ..., or "unknown".
const char* StatusMsgStr(IMidiMsg::EStatusMsg msg);

// ---- System exclusive --------------------------------------------------------------

// One system-exclusive message. The bytes are not owned.
struct ISysEx {
  int mOffset, mSize;
  const uint8_t* mData;

  explicit ISysEx(int offset = 0, const uint8_t* data = nullptr, int size = 0)
      : mOffset(offset), mSize(size), mData(data) {}

  void Clear();
  void LogMsg() {}
};

// Writes the first min(size, bufLen / 3) bytes of data as "%02X" groups separated by
// single spaces and returns buf. Writes the empty text for no data, a size below 1
// or a buffer too small for one group; a null buf or bufLen below 1 writes nothing.
char* SysExStr(char* buf, int bufLen, const uint8_t* data, int size);

// ---- Transport -----------------------------------------------------------------------

// The host's transport and tempo state. Positions are in samples (mSamplePos) or
// quarter notes (the others). The adapter overwrites only the fields it trusts.
struct ITimeInfo {
  double mTempo = 120.0;
  double mSamplePos = 0.0;
  double mPPQPos = 0.0;
  double mLastBar = 0.0;
  double mCycleStart = 0.0;
  double mCycleEnd = 0.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

#endif  // IPLUG_IPLUGSTRUCTS_H_
