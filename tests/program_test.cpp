// The native program as a user runs it: over the host's uname(2), with odd
// standard streams and odd command lines.
#include <gtest/gtest.h>
#include <sys/utsname.h>
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "support/case_name.h"
#include "support/run_program.h"

namespace {

using testing_support::RunOptions;
using testing_support::runProgram;
using testing_support::Stdout;

std::string expectedReport() {
  utsname host{};
  EXPECT_EQ(uname(&host), 0);
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = sizeof record;
  EXPECT_NE(GetVersionExA(&record), 0);
  const DWORD word = GetVersion();
  char text[512];
  const int length =
      std::snprintf(text, sizeof text,
                    "verData %u.%u bld %u [%s %s] plat:Win?? (255)\n"
                    "version.data = %8X\nversion.info.major = %d\nversion.info.minor = %d\n"
                    "version.info.platform = %X\n",
                    record.dwMajorVersion, record.dwMinorVersion, record.dwBuildNumber,
                    host.sysname, host.release, word, static_cast<signed char>(word & 0xFFU),
                    static_cast<signed char>((word >> 8U) & 0xFFU),
                    static_cast<unsigned>(static_cast<int>(static_cast<short>(word >> 16U))));
  EXPECT_GT(length, 0);
  EXPECT_LT(length, static_cast<int>(sizeof text));
  return text;
}

TEST(NativeProgram, ReportsTheHost) {
  const auto result = runProgram(OSVER_PATH);
  EXPECT_EQ(result.out, expectedReport());
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
}

struct StreamCase {
  const char* name;
  const char* program;
  std::vector<std::string> env;
  Stdout stdoutTo;
  bool closeStdin;
  int exitStatus;
};

void PrintTo(const StreamCase& row, std::ostream* out) { *out << row.name; }

class Streams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(Streams, SetTheExitStatus) {
  const StreamCase& c = GetParam();
  RunOptions options;
  options.env = c.env;
  options.stdoutTo = c.stdoutTo;
  options.closeStdin = c.closeStdin;
  const auto result = runProgram(c.program, options);
  EXPECT_EQ(result.exitStatus, c.exitStatus);
  EXPECT_EQ(result.err, "") << "nothing goes to standard error, not even on failure";
  if (c.stdoutTo == Stdout::file) {
    EXPECT_EQ(result.out, expectedReport());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, Streams,
    ::testing::Values(
        StreamCase{"DevFull", OSVER_PATH, {}, Stdout::devFull, false, 2},
        StreamCase{"ClosedStdout", OSVER_PATH, {}, Stdout::closed, false, 2},
        StreamCase{"ClosedStdin", OSVER_PATH, {}, Stdout::file, true, 0},
        // As any POSIX tool: a reader that went away ends it by SIGPIPE.
        StreamCase{
            "PipeWithoutReader", OSVER_PATH, {}, Stdout::pipeWithoutReader, false, 128 + SIGPIPE},
        // A lost report outranks a failed query: nobody saw either.
        StreamCase{"DevFullAfterFailedQuery",
                   OSVER_SCRIPTED_PATH,
                   {"OSVER_ERROR=87"},
                   Stdout::devFull,
                   false,
                   2},
        StreamCase{"ClosedAfterFailedQuery",
                   OSVER_SCRIPTED_PATH,
                   {"OSVER_ERROR=87"},
                   Stdout::closed,
                   false,
                   2}),
    testing_support::CaseName());

struct ArgumentsCase {
  const char* name;
  std::vector<std::string> args;  // cppcheck-suppress unusedStructMember
};

void PrintTo(const ArgumentsCase& row, std::ostream* out) { *out << row.name; }

class CommandLine : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLine, ChangesNothing) {
  RunOptions options;
  options.args = GetParam().args;
  const auto result = runProgram(OSVER_PATH, options);
  EXPECT_EQ(result.out, expectedReport());
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Abuse, CommandLine,
    ::testing::Values(ArgumentsCase{"Wildcards", {"*", "/*", "?", "*.*", "[!a]*", "~"}},
                      ArgumentsCase{"Options", {"--help", "-v", "/?", "--", "-"}},
                      ArgumentsCase{"FormatDirectives", {"%s%s%s%n", "%08X", ""}},
                      ArgumentsCase{"TenThousand", std::vector<std::string>(10000, "arg")},
                      ArgumentsCase{"HundredKilobytes",
                                    {std::string(std::size_t{100} * 1024, 'a')}}),
    testing_support::CaseName());

}  // namespace
