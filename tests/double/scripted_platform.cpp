// A scripted stand-in for the three Win32 calls, for the report's tests.
//
// The script comes from the environment, so the test-only program runs as
// the real one does, in a process of its own:
//   OSVER_RECORD  "major minor build platformId", numbers as strtoul reads them
//   OSVER_CSD     the service-pack text; 128 bytes or more leave it without a NUL
//   OSVER_ERROR   if set, GetVersionExA fails and GetLastError returns this code
//   OSVER_WORD    what GetVersion returns
//   OSVER_TRACE   a file to which each call appends one line: its name, the
//                 record size it was given (GetVersionExA), and how many bytes
//                 the program had written to standard output by then
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

DWORD scriptedNumber(const char* text, char** end) {
  return static_cast<DWORD>(std::strtoul(text, end, 0));
}

DWORD scriptedWord(const char* name) {
  const char* text = std::getenv(name);
  return text == nullptr ? 0 : scriptedNumber(text, nullptr);
}

void trace(const char* call, DWORD size) {
  const char* path = std::getenv("OSVER_TRACE");
  if (path == nullptr) {
    return;
  }
  // ftell counts what stdout holds in its buffer too, and flushes nothing.
  const long written = std::ftell(stdout);
  FILE* log = std::fopen(path, "a");
  if (log == nullptr) {
    std::abort();
  }
  if (std::fprintf(log, "%s size=%u at=%ld\n", call, static_cast<unsigned>(size), written) < 0 ||
      std::fclose(log) != 0) {
    std::abort();
  }
}

bool failing = false;

}  // namespace

extern "C" BOOL GetVersionExA(OSVERSIONINFOA* versionInformation) {
  trace("GetVersionExA", versionInformation->dwOSVersionInfoSize);
  failing = std::getenv("OSVER_ERROR") != nullptr;
  if (failing) {
    // A platform may leave anything behind when it fails: leave junk,
    // without a NUL, in everything but the size.
    auto* bytes = static_cast<unsigned char*>(static_cast<void*>(versionInformation));
    std::memset(bytes + sizeof(DWORD), 0xA5, sizeof(OSVERSIONINFOA) - sizeof(DWORD));
    return 0;
  }
  char* next = std::getenv("OSVER_RECORD");
  if (next != nullptr) {
    versionInformation->dwMajorVersion = scriptedNumber(next, &next);
    versionInformation->dwMinorVersion = scriptedNumber(next, &next);
    versionInformation->dwBuildNumber = scriptedNumber(next, &next);
    versionInformation->dwPlatformId = scriptedNumber(next, &next);
  }
  char* text = versionInformation->szCSDVersion;
  const std::size_t room = sizeof versionInformation->szCSDVersion;
  std::memset(text, 0, room);
  if (const char* csd = std::getenv("OSVER_CSD"); csd != nullptr) {
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result): 128 bytes leave no NUL, on purpose
    std::memcpy(text, csd, std::min(std::strlen(csd), room));
  }
  return 1;
}

extern "C" DWORD GetLastError() {
  trace("GetLastError", 0);
  return failing ? scriptedWord("OSVER_ERROR") : 0;
}

extern "C" DWORD GetVersion() {
  trace("GetVersion", 0);
  return scriptedWord("OSVER_WORD");
}
