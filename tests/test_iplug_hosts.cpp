// Host identification: key order, case, substrings, long texts, display names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Hosts.h"
#include "IPlugStructs.h"

namespace {

std::string Name(int host) {
  char buf[MAX_HOST_NAME_LEN];
  GetHostNameStr(static_cast<EHost>(host), buf);
  return buf;
}

}  // namespace

TEST(LookUpHost, ProductTexts) {
  const struct {
    const char* text;
    EHost host;
  } cases[] = {
      {"REAPER", kHostReaper},
      {"Reaper64", kHostReaper},
      {"Cubase and Nuendo", kHostCubase},
      {"Nuendo Cubase", kHostCubase},  // order of the keys, not of the text
      {"Nuendo", kHostNuendo},
      {"Olive", kHostAbletonLive},  // substring inside another word
      {"Live Reaper", kHostReaper},
      {"ProTools Live", kHostAbletonLive},
      {"Cakewalk by BandLab", kHostSonar},
      {"gwvst", kHostGWVST},
      {"Bitwig Studio", kHostUnknown},
      {"", kHostUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(LookUpHost(c.text), c.host) << c.text;
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
}

TEST(LookUpHost, LongTextsAreSearchedOnlyInTheirFirst255Bytes) {
  std::string text(1000, 'x');
  text.replace(100, 6, "Reaper");
  EXPECT_EQ(LookUpHost(text.c_str()), kHostReaper);
  std::string late(1000, 'x');
  late.replace(300, 6, "Reaper");
  EXPECT_EQ(LookUpHost(late.c_str()), kHostUnknown);
}

// Holes in the list and values past either end read "Unknown".
TEST(HostNames, KnownValuesAndHoles) {
  const struct {
    int host;
    const char* name;
  } cases[] = {{-1000, "Unknown"}, {-1, "Unknown"}, {0, "Unknown"},        {1, "Reaper"},
               {9, "Live"},        {12, "Unknown"}, {28, "Ardour"},        {29, "Unknown"},
               {1000, "Unknown"}};
  for (const auto& c : cases) EXPECT_EQ(Name(c.host), c.name) << c.host;
}

TEST(HostNames, SizedFormCutsToFit) {
  char buf[9];
  memset(buf, 'Z', sizeof(buf));
  GetHostNameStr(kHostDigitalPerformer, buf, 8);
  EXPECT_STREQ(buf, "Digital");
  EXPECT_EQ(buf[8], 'Z');
  GetHostNameStr(kHostReaper, nullptr);  // ignored
}

TEST(ToLower, AsciiCapitalsOnly) {
  char out[32];
  ToLower(out, "AZaz@[`{09 \xC3\x84\xC3\x96");
  EXPECT_STREQ(out, "azaz@[`{09 \xC3\x84\xC3\x96");
  ToLower(out, nullptr);
  EXPECT_STREQ(out, "");
  memset(out, 'Z', sizeof(out));
  ToLower(out, "ABCDEFG", 4);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(out[4], 'Z');
}
