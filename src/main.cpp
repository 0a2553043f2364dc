// osver: writes what the system says its version is, as its two version
// queries answer, unprocessed. Standard output is the whole interface.

// C headers only, stdio.h before windows.h: mingw's C++ headers would
// otherwise swap the run-time's printf for a far larger one of their own.
#include <stdint.h>
#include <stdio.h>
#include <windows.h>

namespace {

// The packed version word as GetVersion returns it, and its view as two
// signed bytes and a signed half-word.
union PackedVersion {
  uint32_t data;
  struct {
    int8_t major;      // bits 0 to 7
    int8_t minor;      // bits 8 to 15
    int16_t platform;  // bits 16 to 31
  } info;
};
static_assert(sizeof(PackedVersion) == 4);
static_assert(sizeof(int) == 4, "the report prints 32-bit fields as int");

const char* platformName(DWORD platformId) {
  switch (platformId) {
    case 0:
      return "Win32s";
    case 1:
      return "Win95";
    case 2:
      return "WinNT";
    default:
      return "Win??";
  }
}

// Fields are shown whole as signed decimal, so 2^31 and above print negative
// (a modular conversion, well defined since C++20).
int asSigned(DWORD value) { return static_cast<int32_t>(value); }

// The record as this program sets it up: nothing but its size.
OSVERSIONINFOA blankRecord() {
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = sizeof record;
  return record;
}

// Exit statuses: scripts tell a full report from a partial or lost one.
constexpr int reported = 0;
constexpr int recordQueryFailed = 1;
constexpr int outputLost = 2;

}  // namespace

int main(int /*argc*/, char** /*argv*/, char** /*envp*/) {
  OSVERSIONINFOA verData = blankRecord();
  const bool recordOk = GetVersionExA(&verData) != 0;
  if (!recordOk) {
    const DWORD error = GetLastError();
    // A failed query promises nothing about the record: show it as we set it.
    verData = blankRecord();
    printf("GetVersionEx failed. GetLastError = %d.\n", asSigned(error));
  }
  // The precision bounds the text to its field even if no NUL ends it.
  printf("verData %d.%d bld %d [%.*s] plat:%s (%d)\n", asSigned(verData.dwMajorVersion),
         asSigned(verData.dwMinorVersion), asSigned(verData.dwBuildNumber),
         static_cast<int>(sizeof verData.szCSDVersion), verData.szCSDVersion,
         platformName(verData.dwPlatformId), asSigned(verData.dwPlatformId));

  PackedVersion version{};
  version.data = GetVersion();
  printf("version.data = %8X\n", static_cast<unsigned>(version.data));
  // ISO C++ allows reading only the union member last written, so info is
  // written from data's bit positions: defined on any compiler and byte order.
  const uint32_t word = version.data;
  version.info = {.major = static_cast<int8_t>(word & 0xFFU),
                  .minor = static_cast<int8_t>((word >> 8U) & 0xFFU),
                  .platform = static_cast<int16_t>(word >> 16U)};
  printf("version.info.major = %d\n", version.info.major);
  printf("version.info.minor = %d\n", version.info.minor);
  // Widened with its sign first, so 0x8000 and above print as FFFF....
  printf("version.info.platform = %X\n", static_cast<unsigned>(int{version.info.platform}));

  // Output is buffered: only a flush tells whether the report got out.
  if (fflush(stdout) != 0 || ferror(stdout) != 0) {
    return outputLost;
  }
  return recordOk ? reported : recordQueryFailed;
}
