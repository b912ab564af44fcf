// MIDI, system-exclusive and transport records: builders, readers and texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "IPlugStructs.h"

namespace {

IMidiMsg::EControlChangeMsg CC(int n) { return static_cast<IMidiMsg::EControlChangeMsg>(n); }

}  // namespace

TEST(IMidiMsgBuild, NoteOnAndOff) {
  IMidiMsg m;
  m.MakeNoteOnMsg(60, 100, 12, 1);
  EXPECT_EQ(m.mOffset, 12);
  EXPECT_EQ(m.mStatus, 145);
  EXPECT_EQ(m.mData1, 60);
  EXPECT_EQ(m.mData2, 100);
  EXPECT_EQ(m.NoteNumber(), 60);
  EXPECT_EQ(m.Velocity(), 100);
  EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(m.Channel(), 1);

  m.MakeNoteOffMsg(61, 3, 15);
  EXPECT_EQ(m.mStatus, 0x8F);
  EXPECT_EQ(m.mData2, 0);
  EXPECT_EQ(m.Velocity(), 0);
  EXPECT_EQ(m.mOffset, 3);
}

TEST(IMidiMsgBuild, OutOfRangeArgumentsCannotChangeTheKind) {
  IMidiMsg m;
  m.MakeNoteOnMsg(200, -5, 0, 16);
  EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(m.Channel(), 0);
  EXPECT_EQ(m.mData1, 127);
  EXPECT_EQ(m.mData2, 0);
  m.MakeNoteOffMsg(60, 0, 16);  // or'ed in whole, channel 16 would make this a note-on
  EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNoteOff);
  EXPECT_EQ(m.Channel(), 0);
  m.MakeControlChangeMsg(CC(300), 0.5, -1);
  EXPECT_EQ(m.StatusMsg(), IMidiMsg::kControlChange);
  EXPECT_EQ(m.mData1, 127);
}

TEST(IMidiMsgBuild, PitchWheel) {
  IMidiMsg m;
  m.MakePitchWheelMsg(0.0, 0);
  EXPECT_EQ(m.mStatus, 0xE0);
  EXPECT_EQ(m.mData1, 0);
  EXPECT_EQ(m.mData2, 64);
  EXPECT_EQ(m.PitchWheel(), 0.0);

  m.MakePitchWheelMsg(1.0, 0);
  EXPECT_EQ(m.mData1, 127);
  EXPECT_EQ(m.mData2, 127);
  EXPECT_NEAR(m.PitchWheel(), 8191.0 / 8192.0, 1e-15);

  m.MakePitchWheelMsg(-1.0, 2);
  EXPECT_EQ(m.PitchWheel(), -1.0);
  EXPECT_EQ(m.Channel(), 2);

  m.MakePitchWheelMsg(0.5, 0);
  EXPECT_EQ(m.PitchWheel(), 0.5);

  // Value truncated toward zero before the centre is added.
  m.MakePitchWheelMsg(-0.00006, 0);  // -0.49 steps
  EXPECT_EQ(m.PitchWheel(), 0.0);

  m.MakePitchWheelMsg(1e300, 0);
  EXPECT_EQ(m.mData1 + 128 * m.mData2, 16383);
  m.MakePitchWheelMsg(std::numeric_limits<double>::quiet_NaN(), 0);
  EXPECT_EQ(m.PitchWheel(), 0.0);
}

TEST(IMidiMsgBuild, ControlChange) {
  IMidiMsg m;
  m.MakeControlChangeMsg(CC(7), 0.5, 0);
  EXPECT_EQ(m.mStatus, 0xB0);
  EXPECT_EQ(m.mData2, 63);
  EXPECT_DOUBLE_EQ(m.ControlChange(CC(7)), 63.0 / 127.0);
  EXPECT_EQ(m.ControlChange(CC(8)), -1.0);
  EXPECT_EQ(m.ControlChangeIdx(), CC(7));
  m.MakeControlChangeMsg(CC(7), 2.0, 0);
  EXPECT_EQ(m.mData2, 127);
  m.MakeControlChangeMsg(CC(7), -1.0, 0);
  EXPECT_EQ(m.mData2, 0);
  m.MakeControlChangeMsg(CC(7), std::numeric_limits<double>::quiet_NaN(), 0);
  EXPECT_EQ(m.mData2, 0);
}

TEST(IMidiMsgRead, EachReaderAnswersOnlyForItsKinds) {
  const struct {
    uint8_t status;
    int note, velocity, polyAT, chanAT, program;
  } cases[] = {
      {0x83, 10, 20, -1, -1, -1}, {0x94, 10, 20, -1, -1, -1}, {0xA5, 10, -1, 20, -1, -1},
      {0xB6, -1, -1, -1, -1, -1}, {0xC7, -1, -1, -1, -1, 10}, {0xD8, -1, -1, -1, 10, -1},
      {0xE9, -1, -1, -1, -1, -1}, {0xF0, -1, -1, -1, -1, -1}, {0xF8, -1, -1, -1, -1, -1},
      {0x40, -1, -1, -1, -1, -1},
  };
  for (const auto& c : cases) {
    IMidiMsg m(0, c.status, 10, 20);
    SCOPED_TRACE(static_cast<int>(c.status));
    EXPECT_EQ(m.NoteNumber(), c.note);
    EXPECT_EQ(m.Velocity(), c.velocity);
    EXPECT_EQ(m.PolyAfterTouch(), c.polyAT);
    EXPECT_EQ(m.ChannelAfterTouch(), c.chanAT);
    EXPECT_EQ(m.Program(), c.program);
    const bool channelKind = c.status >= 0x80 && c.status < 0xF0;
    EXPECT_EQ(m.StatusMsg(), channelKind ? c.status >> 4 : 0);
    if ((c.status >> 4) != 0xE) {
      EXPECT_EQ(m.PitchWheel(), 0.0);
    }
    if ((c.status >> 4) != 0xB) {
      EXPECT_EQ(m.ControlChange(CC(10)), -1.0);
    }
  }
}

TEST(IMidiMsgText, StatusTexts) {
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kNone), "none");
  EXPECT_STREQ(StatusMsgStr(static_cast<IMidiMsg::EStatusMsg>(1)), "unknown");
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kNoteOff), "noteoff");
  EXPECT_STREQ(StatusMsgStr(IMidiMsg::kPitchWheel), "pitchwheel");
  EXPECT_STREQ(StatusMsgStr(static_cast<IMidiMsg::EStatusMsg>(15)), "unknown");
}

TEST(SysExText, HexGroupsBoundedByTheBuffer) {
  const uint8_t bytes[] = {240, 67, 247};
  char buf[64];
  EXPECT_STREQ(SysExStr(buf, 64, bytes, 3), "F0 43 F7");
  EXPECT_STREQ(SysExStr(buf, 9, bytes, 3), "F0 43 F7");
  EXPECT_STREQ(SysExStr(buf, 6, bytes, 3), "F0 43");
  EXPECT_STREQ(SysExStr(buf, 2, bytes, 3), "");
  EXPECT_STREQ(SysExStr(buf, 64, nullptr, 3), "");
  EXPECT_STREQ(SysExStr(buf, 64, bytes, 0), "");
  EXPECT_STREQ(SysExStr(buf, 64, bytes, -4), "");
  EXPECT_EQ(SysExStr(nullptr, 64, bytes, 3), nullptr);
}

TEST(SysExText, NoBufferSizeOverflows) {
  uint8_t data[40];
  for (int i = 0; i < 40; ++i) data[i] = static_cast<uint8_t>(i * 7);
  for (int len = 1; len <= 64; ++len) {
    char buf[80];
    memset(buf, 'Z', sizeof(buf));
    SysExStr(buf, len, data, 40);
    const size_t n = strlen(buf);
    EXPECT_LT(n, static_cast<size_t>(len));
    EXPECT_EQ(buf[len], 'Z') << len;
    const int groups = len / 3 < 40 ? len / 3 : 40;
    EXPECT_EQ(n, groups ? static_cast<size_t>(groups * 3 - 1) : 0u) << len;
  }
}

TEST(FixedTexts, TruncatingCopy) {
  char buf[8];
  memset(buf, 'Z', sizeof(buf));
  EXPECT_STREQ(CopyTextTruncated(buf, "abcdefghijk", 4), "abc");
  EXPECT_EQ(buf[4], 'Z');
  EXPECT_STREQ(CopyTextTruncated(buf, nullptr, 8), "");
  EXPECT_STREQ(CopyTextTruncated(buf, "abc", 1), "");
  buf[0] = 'Q';
  CopyTextTruncated(buf, "abc", 0);  // no room: nothing written
  EXPECT_EQ(buf[0], 'Q');
  EXPECT_EQ(CopyTextTruncated(nullptr, "abc", 8), nullptr);
  // Text not terminated inside the limit is still read only up to the limit.
  const char unterminated[4] = {'w', 'x', 'y', 'z'};
  EXPECT_STREQ(CopyTextTruncated(buf, unterminated, 5), "wxyz");
}
