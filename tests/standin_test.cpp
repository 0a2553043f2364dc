// The stand-in platform: how it reads the host's uname(2).
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "support/case_name.h"
#include "uname_version.h"

namespace {

using standin::fillRecord;
using standin::packVersion;
using standin::parseRelease;

struct ReleaseCase {
  std::string release;
  DWORD major, minor, build;
};

class ParseRelease : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(ParseRelease, TakesTheFirstThreeNumbers) {
  const ReleaseCase& c = GetParam();
  const auto numbers = parseRelease(c.release);
  EXPECT_EQ(numbers.major, c.major);
  EXPECT_EQ(numbers.minor, c.minor);
  EXPECT_EQ(numbers.build, c.build);
}

INSTANTIATE_TEST_SUITE_P(Releases, ParseRelease,
                         ::testing::Values(ReleaseCase{"6.18.44-fc-v1300", 6, 18, 44},
                                           ReleaseCase{"6.1.0-28-amd64", 6, 1, 0},
                                           ReleaseCase{"5.10", 5, 10, 0}, ReleaseCase{"4", 4, 0, 0},
                                           ReleaseCase{"", 0, 0, 0},
                                           ReleaseCase{"generic", 0, 0, 0},
                                           ReleaseCase{"v2.x.7", 2, 7, 0},
                                           ReleaseCase{"007.0008.9", 7, 8, 9},
                                           ReleaseCase{"4294967295.4294967296.99999999999999999999",
                                                       4294967295U, 4294967295U, 4294967295U},
                                           ReleaseCase{"1.2.3.4.5", 1, 2, 3},
                                           ReleaseCase{std::string("3\0.9", 4), 3, 9, 0}));

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

struct HostCase {
  const char* name;
  std::string sysname, release;
  std::string csd;
  DWORD major, minor, build;
};

void PrintTo(const HostCase& row, std::ostream* out) { *out << row.name; }

class FillRecord : public ::testing::TestWithParam<HostCase> {};

TEST_P(FillRecord, DescribesTheHost) {
  const HostCase& c = GetParam();
  OSVERSIONINFOA record{};
  std::memset(&record, 0x5A, sizeof record);
  fillRecord(hostWith(c.sysname, c.release), record);
  EXPECT_EQ(csdOf(record), c.csd);
  EXPECT_EQ(record.dwMajorVersion, c.major);
  EXPECT_EQ(record.dwMinorVersion, c.minor);
  EXPECT_EQ(record.dwBuildNumber, c.build);
  EXPECT_EQ(record.dwPlatformId, standin::unamePlatformId);
  // The rest of the text is cleared, not left as it was.
  EXPECT_TRUE(std::all_of(record.szCSDVersion + c.csd.size(), std::end(record.szCSDVersion),
                          [](char ch) { return ch == '\0'; }));
}

const std::string longest(sizeof(utsname{}.release), '7');  // fills the field, no NUL

INSTANTIATE_TEST_SUITE_P(
    Hosts, FillRecord,
    ::testing::Values(
        HostCase{"Typical", "Linux", "6.18.44-fc-v1300", "Linux 6.18.44-fc-v1300", 6, 18, 44},
        HostCase{"EmptyRelease", "Linux", "", "Linux ", 0, 0, 0},
        HostCase{"NoDigits", "Hurd", "gnu-mach", "Hurd gnu-mach", 0, 0, 0},
        HostCase{"EmptyEverything", "", "", " ", 0, 0, 0},
        // 65 + 1 + 65 bytes would not fit: cut to 127 and NUL-terminated.
        HostCase{"LongestFields", std::string(sizeof(utsname{}.sysname), 'S'), longest,
                 std::string(sizeof(utsname{}.sysname), 'S') + " " +
                     longest.substr(0, 127 - sizeof(utsname{}.sysname) - 1),
                 4294967295U, 0, 0}),
    testing_support::CaseName());

struct PackCase {
  DWORD major, minor, build;
  DWORD word;
};

class PackVersion : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackVersion, PacksAsANonNtPlatform) {
  const PackCase& c = GetParam();
  OSVERSIONINFOA record{};
  record.dwMajorVersion = c.major;
  record.dwMinorVersion = c.minor;
  record.dwBuildNumber = c.build;
  EXPECT_EQ(packVersion(record), c.word);
}

INSTANTIATE_TEST_SUITE_P(
    Words, PackVersion,
    ::testing::Values(PackCase{6, 18, 44, 0x802C1206U}, PackCase{0, 0, 0, 0x80000000U},
                      PackCase{0x1FF, 0x2AB, 0x7FFF, 0xFFFFABFFU},
                      PackCase{4, 10, 0x040A08AE, 0x88AE0A04U},
                      PackCase{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFU}));

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
  OSVERSIONINFOA expected{};
  fillRecord(host, expected);

  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = sizeof record;
  ASSERT_NE(GetVersionExA(&record), 0);
  EXPECT_EQ(record.dwOSVersionInfoSize, 148U);
  EXPECT_EQ(std::memcmp(&record.dwMajorVersion, &expected.dwMajorVersion,
                        sizeof record - sizeof record.dwOSVersionInfoSize),
            0);
  EXPECT_EQ(csdOf(record), std::string(host.sysname) + " " + host.release);
  EXPECT_EQ(GetVersion(), packVersion(expected));
}

}  // namespace
