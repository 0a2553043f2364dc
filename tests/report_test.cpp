// The report's exact text and exit status, over the scripted platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/case_name.h"
#include "support/run_program.h"

namespace {

using testing_support::readFile;
using testing_support::RunOptions;
using testing_support::runProgram;
using testing_support::ScratchDirectory;

struct Script {
  std::string record = "5 0 2195 2";
  std::string csd;
  std::string word = "0x08930005";
  const char* error = nullptr;
};

testing_support::RunResult runScripted(const Script& script, std::vector<std::string> args = {},
                                       const std::string& tracePath = "") {
  RunOptions options;
  options.args = std::move(args);
  options.env = {"OSVER_RECORD=" + script.record, "OSVER_CSD=" + script.csd,
                 "OSVER_WORD=" + script.word};
  if (script.error != nullptr) {
    options.env.push_back(std::string("OSVER_ERROR=") + script.error);
  }
  if (!tracePath.empty()) {
    options.env.push_back("OSVER_TRACE=" + tracePath);
  }
  return runProgram(OSVER_SCRIPTED_PATH, options);
}

const std::string win2000Word =
    "version.data =  8930005\n"
    "version.info.major = 5\n"
    "version.info.minor = 0\n"
    "version.info.platform = 893\n";

struct RecordCase {
  const char* name;
  Script script;
  std::string recordLine;
};

void PrintTo(const RecordCase& row, std::ostream* out) { *out << row.name; }

class RecordLine : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordLine, IsWrittenExactlyBeforeTheWord) {
  const RecordCase& c = GetParam();
  const auto result = runScripted(c.script);
  EXPECT_EQ(result.out, c.recordLine + "\n" + win2000Word);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
}

const std::string csd127(127, 'x');
const std::string csd128(128, 'y');

INSTANTIATE_TEST_SUITE_P(
    PlatformNames, RecordLine,
    ::testing::Values(
        RecordCase{"Win32s",
                   {"3 10 0 0", "Win32s 1.3"},
                   "verData 3.10 bld 0 [Win32s 1.3] plat:Win32s (0)"},
        RecordCase{"Win95",
                   {"4 10 0x040A08AE 1", " A "},
                   "verData 4.10 bld 67766446 [ A ] plat:Win95 (1)"},
        RecordCase{"WinNT", {"5 0 2195 2", ""}, "verData 5.0 bld 2195 [] plat:WinNT (2)"},
        RecordCase{"Three", {"4 0 1381 3", ""}, "verData 4.0 bld 1381 [] plat:Win?? (3)"},
        RecordCase{"Four", {"6 1 7601 4", "x"}, "verData 6.1 bld 7601 [x] plat:Win?? (4)"},
        RecordCase{
            "AllOnes", {"6 1 7601 0xFFFFFFFF", ""}, "verData 6.1 bld 7601 [] plat:Win?? (-1)"}),
    testing_support::CaseName());

INSTANTIATE_TEST_SUITE_P(
    SignedFields, RecordLine,
    ::testing::Values(RecordCase{"BuildHighHalfKept",
                                 {"4 10 0x040A08AE 1", ""},
                                 "verData 4.10 bld 67766446 [] plat:Win95 (1)"},
                      RecordCase{"BuildTopBit",
                                 {"5 0 0x80000000 2", ""},
                                 "verData 5.0 bld -2147483648 [] plat:WinNT (2)"},
                      RecordCase{"AllOnes",
                                 {"0xFFFFFFFF 0xFFFFFFFE 0x7FFFFFFF 2", ""},
                                 "verData -1.-2 bld 2147483647 [] plat:WinNT (2)"}),
    testing_support::CaseName());

INSTANTIATE_TEST_SUITE_P(
    ServicePackText, RecordLine,
    ::testing::Values(
        RecordCase{"Unchanged",
                   {"5 1 2600 2", "  Service Pack 3 %d%s "},
                   "verData 5.1 bld 2600 [  Service Pack 3 %d%s ] plat:WinNT (2)"},
        RecordCase{"Longest",
                   {"5 1 2600 2", csd127},
                   "verData 5.1 bld 2600 [" + csd127 + "] plat:WinNT (2)"},
        // The platform filled all 128 bytes and left no NUL: print the field, no more.
        RecordCase{"WithoutNul",
                   {"5 1 2600 2", csd128 + "overflow"},
                   "verData 5.1 bld 2600 [" + csd128 + "] plat:WinNT (2)"}),
    testing_support::CaseName());

struct WordCase {
  const char* name;
  const char* word;
  std::string lines;
};

void PrintTo(const WordCase& row, std::ostream* out) { *out << row.name; }

class PackedWord : public ::testing::TestWithParam<WordCase> {};

TEST_P(PackedWord, ShowsSignedViews) {
  const WordCase& c = GetParam();
  Script script;
  script.word = c.word;
  const auto result = runScripted(script);
  EXPECT_EQ(result.out, "verData 5.0 bld 2195 [] plat:WinNT (2)\n" + c.lines);
  EXPECT_EQ(result.exitStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Views, PackedWord,
    ::testing::Values(
        WordCase{"Windows2000", "0x08930005", win2000Word},
        WordCase{"Windows98", "0xC0000A04",
                 "version.data = C0000A04\nversion.info.major = 4\nversion.info.minor = 10\n"
                 "version.info.platform = FFFFC000\n"},
        WordCase{"PaddedToEight", "4",
                 "version.data =        4\nversion.info.major = 4\nversion.info.minor = 0\n"
                 "version.info.platform = 0\n"},
        WordCase{"Zero", "0",
                 "version.data =        0\nversion.info.major = 0\nversion.info.minor = 0\n"
                 "version.info.platform = 0\n"},
        WordCase{"NegativeBytes", "0x0000FF80",
                 "version.data =     FF80\nversion.info.major = -128\nversion.info.minor = -1\n"
                 "version.info.platform = 0\n"},
        WordCase{"AllOnes", "0xFFFFFFFF",
                 "version.data = FFFFFFFF\nversion.info.major = -1\nversion.info.minor = -1\n"
                 "version.info.platform = FFFFFFFF\n"},
        WordCase{"LargestPositivePlatform", "0x7FFF7F7F",
                 "version.data = 7FFF7F7F\nversion.info.major = 127\nversion.info.minor = 127\n"
                 "version.info.platform = 7FFF\n"},
        WordCase{"SmallestNegativePlatform", "0x80000000",
                 "version.data = 80000000\nversion.info.major = 0\nversion.info.minor = 0\n"
                 "version.info.platform = FFFF8000\n"}),
    testing_support::CaseName());

struct FailureCase {
  const char* name;
  const char* error;
  std::string failureLine;
};

void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }

class FailedRecordQuery : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailedRecordQuery, WritesSixLinesAndExitsOne) {
  const FailureCase& c = GetParam();
  Script script;
  script.error = c.error;
  const auto result = runScripted(script);
  // The double leaves junk in the record when it fails; the line shows the
  // record as the program set it up, never that junk.
  EXPECT_EQ(result.out, c.failureLine + "\nverData 0.0 bld 0 [] plat:Win32s (0)\n" + win2000Word);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FailedRecordQuery,
    ::testing::Values(
        FailureCase{"InvalidParameter", "87", "GetVersionEx failed. GetLastError = 87."},
        FailureCase{"InsufficientBuffer", "122", "GetVersionEx failed. GetLastError = 122."},
        FailureCase{"Zero", "0", "GetVersionEx failed. GetLastError = 0."},
        // Windows NT 3.1 has no GetVersionExA; the start-up then fails the call with 127.
        FailureCase{"WindowsNT31", "127", "GetVersionEx failed. GetLastError = 127."},
        FailureCase{"TopBit", "0x80000000", "GetVersionEx failed. GetLastError = -2147483648."}),
    testing_support::CaseName());

struct TraceCase {
  const char* name;
  const char* error;
  std::string calls;
};

void PrintTo(const TraceCase& row, std::ostream* out) { *out << row.name; }

class PlatformCalls : public ::testing::TestWithParam<TraceCase> {};

// "at" is how many bytes the program had written when the call was made.
TEST_P(PlatformCalls, ComeInOrderWithTheRightSize) {
  const TraceCase& c = GetParam();
  Script script;
  script.error = c.error;
  const ScratchDirectory scratch;
  const std::string tracePath = scratch.path("trace");
  runScripted(script, {}, tracePath);
  EXPECT_EQ(readFile(tracePath), c.calls);
}

INSTANTIATE_TEST_SUITE_P(Sequence, PlatformCalls,
                         ::testing::Values(TraceCase{"Succeeded", nullptr,
                                                     "GetVersionExA size=148 at=0\n"
                                                     "GetVersion size=0 at=39\n"},
                                           TraceCase{"Failed", "87",
                                                     "GetVersionExA size=148 at=0\n"
                                                     "GetLastError size=0 at=0\n"
                                                     "GetVersion size=0 at=77\n"}),
                         testing_support::CaseName());

TEST(Arguments, ChangeNothing) {
  const Script script;
  const std::string expected = runScripted(script).out;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"-h"},
                                               {"*", "?", "*.*", "[a-z]*"},
                                               {"", " ", "%s%n%d"},
                                               {"--version", "/?", "-v"}}) {
    const auto result = runScripted(script, args);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.exitStatus, 0);
  }
}

}  // namespace
