// The uname(2) stand-in: how it turns the host's uname(2) into the record
// and the packed word, and that its calls answer from the host.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>

#include "uname_version.h"

namespace {

struct Host {
  const char* name;
  std::string sysname, release;
  std::string csd;
  DWORD major, minor, build;
  DWORD word;
};

// Named, so that GoogleTest never prints a row's bytes, padding included.
void PrintTo(const Host& row, std::ostream* out) { *out << row.name; }

utsname hostWith(const std::string& sysname, const std::string& release) {
  utsname host{};
  std::memcpy(host.sysname, sysname.data(), std::min(sizeof host.sysname, sysname.size()));
  std::memcpy(host.release, release.data(), std::min(sizeof host.release, release.size()));
  return host;
}

std::string csdOf(const OSVERSIONINFOA& record) {
  const auto* end = std::ranges::find(record.szCSDVersion, '\0');
  EXPECT_NE(end, std::end(record.szCSDVersion)) << "no NUL in the service-pack text";
  return {std::begin(record.szCSDVersion), end};
}

class Hosts : public ::testing::TestWithParam<Host> {};

TEST_P(Hosts, FillTheRecordAndPackTheWord) {
  const Host& c = GetParam();
  OSVERSIONINFOA record{};
  std::memset(&record, 0x5A, sizeof record);
  standin::fillRecord(hostWith(c.sysname, c.release), record);
  EXPECT_EQ(csdOf(record), c.csd);
  EXPECT_EQ(record.dwMajorVersion, c.major);
  EXPECT_EQ(record.dwMinorVersion, c.minor);
  EXPECT_EQ(record.dwBuildNumber, c.build);
  EXPECT_EQ(record.dwPlatformId, 255U);
  // The rest of the text is cleared, not left as it was.
  EXPECT_TRUE(std::all_of(record.szCSDVersion + c.csd.size(), std::end(record.szCSDVersion),
                          [](char ch) { return ch == '\0'; }));
  EXPECT_EQ(standin::packVersion(record), c.word);
}

const std::string sysname65(sizeof(utsname{}.sysname), 'S');  // fills the field, no NUL
const std::string release65(sizeof(utsname{}.release), '7');

INSTANTIATE_TEST_SUITE_P(
    Releases, Hosts,
    ::testing::Values(
        Host{"Typical", "Linux", "6.18.44-fc-v1300", "Linux 6.18.44-fc-v1300", 6, 18, 44,
             0x802C1206U},
        Host{"Debian", "Linux", "6.1.0-28-amd64", "Linux 6.1.0-28-amd64", 6, 1, 0, 0x80000106U},
        Host{"TwoNumbers", "Linux", "5.10", "Linux 5.10", 5, 10, 0, 0x80000A05U},
        Host{"OneNumber", "Linux", "4", "Linux 4", 4, 0, 0, 0x80000004U},
        Host{"EmptyRelease", "Linux", "", "Linux ", 0, 0, 0, 0x80000000U},
        Host{"NoDigits", "Hurd", "gnu-mach", "Hurd gnu-mach", 0, 0, 0, 0x80000000U},
        Host{"EmptyEverything", "", "", " ", 0, 0, 0, 0x80000000U},
        Host{"DigitsApart", "Linux", "v2.x.7", "Linux v2.x.7", 2, 7, 0, 0x80000702U},
        Host{"LeadingZeros", "Linux", "007.0008.9", "Linux 007.0008.9", 7, 8, 9, 0x80090807U},
        Host{"MoreThanThree", "Linux", "1.2.3.4.5", "Linux 1.2.3.4.5", 1, 2, 3, 0x80030201U},
        // The word keeps the low bits of each number; the build is 15 bits.
        Host{"WideNumbers", "Linux", "511.683.32767", "Linux 511.683.32767", 511, 683, 32767,
             0xFFFFABFFU},
        Host{"Win95Build", "Linux", "4.10.67766446", "Linux 4.10.67766446", 4, 10, 67766446,
             0x88AE0A04U},
        Host{"Saturated", "Linux", "4294967295.4294967296.99999999999999999999",
             "Linux 4294967295.4294967296.99999999999999999999", 4294967295U, 4294967295U,
             4294967295U, 0xFFFFFFFFU},
        // uname's fields end at their first NUL, or at their end.
        Host{"NulInRelease", "Linux", std::string("3\0.9", 4), "Linux 3", 3, 0, 0, 0x80000003U},
        // 65 + 1 + 65 bytes would not fit: cut to 127 and NUL-terminated.
        Host{"LongestFields", sysname65, release65, sysname65 + " " + release65.substr(0, 61),
             4294967295U, 0, 0, 0x800000FFU}),
    [](const ::testing::TestParamInfo<Host>& row) { return std::string(row.param.name); });

class WrongSize : public ::testing::TestWithParam<DWORD> {};

TEST_P(WrongSize, FailsWithInsufficientBuffer) {
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = GetParam();
  EXPECT_EQ(GetVersionExA(&record), 0);
  EXPECT_EQ(GetLastError(), 122U);
  EXPECT_EQ(record.dwMajorVersion, 0U) << "a failed call leaves the record alone";
}

// 156 is the size of Windows' extended record, which the stand-in does not fill.
INSTANTIATE_TEST_SUITE_P(Sizes, WrongSize, ::testing::Values(0U, 147U, 149U, 156U, 0xFFFFFFFFU));

TEST(HostRecord, MatchesUnameAndTheWord) {
  utsname host{};
  ASSERT_EQ(uname(&host), 0);
  // Linux's release begins with three numbers, "6.1.0-28-amd64" or
  // "6.18.44-fc-v1403", each small enough to sit whole in the word.
  std::istringstream release(host.release);
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;
  char dot1 = 0;
  char dot2 = 0;
  release >> major >> dot1 >> minor >> dot2 >> build;
  ASSERT_TRUE(!release.fail() && dot1 == '.' && dot2 == '.') << host.release;
  ASSERT_TRUE(major <= 0xFF && minor <= 0xFF && build <= 0x7FFF) << host.release;

  // The word first, the other way round from the program, whose run shows
  // GetVersionExA asking the host: here GetVersion must ask it itself.
  EXPECT_EQ(GetVersion(), 0x80000000U | (build << 16U) | (minor << 8U) | major);
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = sizeof record;
  ASSERT_NE(GetVersionExA(&record), 0);
  EXPECT_EQ(record.dwOSVersionInfoSize, 148U);
  EXPECT_EQ(record.dwMajorVersion, major);
  EXPECT_EQ(record.dwMinorVersion, minor);
  EXPECT_EQ(record.dwBuildNumber, build);
  EXPECT_EQ(record.dwPlatformId, 255U);
  EXPECT_EQ(csdOf(record), std::string(host.sysname) + " " + host.release);
}

}  // namespace
