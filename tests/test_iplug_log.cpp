// Time stamps (offset from UTC across day and year boundaries) and trace records.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "Log.h"
#include "fw_scoped_env.h"

namespace {

struct tm Moment(int year, int yday, int mday, int mon, int hour, int min) {
  struct tm t;
  memset(&t, 0, sizeof(t));
  t.tm_year = year - 1900;
  t.tm_yday = yday;
  t.tm_mday = mday;
  t.tm_mon = mon;
  t.tm_hour = hour;
  t.tm_min = min;
  return t;
}

std::string Record(int size, const char* name, int line, const char* format, ...) {
  char buf[256];
  va_list args;
  va_start(args, format);
  const int len = FormatTraceRecord(buf, size, name, line, format, args);
  va_end(args);
  EXPECT_EQ(static_cast<size_t>(len), strlen(buf));
  return buf;
}

// "YYYYMMDD HH:MM " followed by the expected offset text.
bool IsStampWithOffset(const std::string& s, const char* offset) {
  if (s.size() != 15 + strlen(offset)) return false;
  for (int i = 0; i < 15; ++i) {
    const char c = s[i];
    const bool ok = i == 8 || i == 14 ? c == ' ' : i == 11 ? c == ':' : c >= '0' && c <= '9';
    if (!ok) return false;
  }
  return s.compare(15, std::string::npos, offset) == 0;
}

// Sets TZ for one scope; the C library reads it again on both ends.
class ScopedTZ {
 public:
  explicit ScopedTZ(const char* tz) : mEnv(std::in_place, "TZ", tz) { tzset(); }
  ~ScopedTZ() {
    mEnv.reset();
    tzset();
  }

 private:
  std::optional<ScopedEnv> mEnv;
};

}  // namespace

TEST(TimeStamp, OffsetAcrossDayAndYearBoundaries) {
  // Local already on the next day.
  EXPECT_EQ(UTCOffsetMinutes(Moment(2026, 10, 11, 0, 0, 30), Moment(2026, 9, 10, 0, 23, 30)), 60);
  // Local still on the previous day.
  EXPECT_EQ(UTCOffsetMinutes(Moment(2026, 9, 10, 0, 23, 30), Moment(2026, 10, 11, 0, 0, 30)), -60);
  // New year in local time only: day numbers 0 against 364.
  EXPECT_EQ(UTCOffsetMinutes(Moment(2027, 0, 1, 0, 0, 30), Moment(2026, 364, 31, 11, 23, 30)), 60);
  EXPECT_EQ(UTCOffsetMinutes(Moment(2026, 364, 31, 11, 23, 30), Moment(2027, 0, 1, 0, 0, 30)), -60);
  // Leap year: day 365 against day 0.
  EXPECT_EQ(UTCOffsetMinutes(Moment(2028, 365, 31, 11, 14, 0), Moment(2029, 0, 1, 0, 0, 0)), -600);
}

TEST(TimeStamp, Layout) {
  char buf[32];
  FormatTimeStamp(buf, sizeof(buf), Moment(2026, 339, 6, 11, 21, 33), Moment(2026, 339, 6, 11, 20, 33));
  EXPECT_STREQ(buf, "20261206 21:33 +0100");
  FormatTimeStamp(buf, sizeof(buf), Moment(2026, 339, 6, 11, 17, 3), Moment(2026, 339, 6, 11, 20, 33));
  EXPECT_STREQ(buf, "20261206 17:03 -0330");
  FormatTimeStamp(buf, sizeof(buf), Moment(2026, 0, 1, 0, 0, 0), Moment(2026, 0, 1, 0, 0, 0));
  EXPECT_STREQ(buf, "20260101 00:00 +0000");
  char small[10];
  memset(small, 'Z', sizeof(small));
  FormatTimeStamp(small, 9, Moment(2026, 0, 1, 0, 0, 0), Moment(2026, 0, 1, 0, 0, 0));
  EXPECT_STREQ(small, "20260101");
  EXPECT_EQ(small[9], 'Z');
}

TEST(TimeStamp, CurrentTimeInTheProcessZone) {
  {
    ScopedTZ tz("UTC0");
    EXPECT_TRUE(IsStampWithOffset(CurrentTime(), "+0000")) << CurrentTime();
  }
  {
    ScopedTZ tz("<+0530>-5:30");
    EXPECT_TRUE(IsStampWithOffset(CurrentTime(), "+0530")) << CurrentTime();
  }
  {
    ScopedTZ tz("<-0330>3:30");
    const char* first = CurrentTime();
    EXPECT_TRUE(IsStampWithOffset(first, "-0330")) << first;
    EXPECT_EQ(CurrentTime(), first);  // one static buffer
  }
}

TEST(TraceRecord, Layout) {
  EXPECT_EQ(Record(256, "LegalIO", 42, "%d:%d:%s", 2, 2, "legal"), "LegalIO:42 2:2:legal");
  EXPECT_EQ(Record(256, nullptr, 1, "%s", "x"), ":1 x");
  EXPECT_EQ(Record(12, "VSTDispatcher", 7, "%d", 5), "VSTDispatch");
  EXPECT_EQ(Record(14, "SetHost", 7, "host_%sknown:%s", "un", "Reaper"), "SetHost:7 hos");
}

#ifdef TRACER_BUILD
// One line per record: a sequence number that counts up by one, a space, then the record.
TEST(TraceFile, RecordsAreAppendedOnePerLine) {
  const std::string path = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/toneglass-trace-test-" +
                           std::to_string(getpid()) + ".txt";
  remove(path.c_str());
  setenv("TONEGLASS_TRACE_FILE", path.c_str(), 1);
  ASSERT_EQ(std::string(TraceFilePath()), path);
  Trace("VSTSetParameter", 10, "%d:%f", 3, 0.5);
  Trace("SerializeParams", 11, "%d %s %f", 0, "Dry", -6.0);
  TraceClose();  // the next record opens the file again and appends
  Trace("LegalIO", 12, "%d:%d:%s", 2, 2, "legal");
  TraceClose();
  FILE* f = fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  std::vector<std::string> lines;
  char line[256];
  while (fgets(line, sizeof(line), f)) lines.emplace_back(line);
  fclose(f);
  remove(path.c_str());
  ASSERT_EQ(lines.size(), 3u);
  const char* records[] = {"VSTSetParameter:10 3:0.500000\n", "SerializeParams:11 0 Dry -6.000000\n",
                           "LegalIO:12 2:2:legal\n"};
  unsigned long first = 0;
  for (size_t i = 0; i < 3; ++i) {
    const size_t space = lines[i].find(' ');
    ASSERT_NE(space, std::string::npos) << lines[i];
    const std::string seq = lines[i].substr(0, space);
    ASSERT_FALSE(seq.empty());
    ASSERT_EQ(seq.find_first_not_of("0123456789"), std::string::npos) << lines[i];
    if (i == 0) first = std::stoul(seq);
    EXPECT_EQ(std::stoul(seq), first + i) << lines[i];
    EXPECT_EQ(lines[i].substr(space + 1), records[i]);
  }
}
#endif
