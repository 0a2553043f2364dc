// The scripted platform: the three Win32 calls as a test scripts them, for
// the report's tests.
// The script comes from the environment, so the test-only program runs as
// the real one does, in a process of its own:
//   OSVER_RECORD  "major minor build platformId", numbers as strtoul reads them
//   OSVER_CSD     the service-pack text; 128 bytes or more leave it without a NUL
//   OSVER_ERROR   if set, GetVersionExA fails and GetLastError returns this code
//   OSVER_WORD    what GetVersion returns
// Unset, the record and the word are Windows 2000's.
//
// It also refuses the calls out of the report's order, on standard error and
// with exit status 70, so a test sees a wrong order without keeping a trace.
// It sees the report's lines as they are written, not where they went: the
// link sends the report's printf calls here (-Wl,--wrap=printf), so buffering,
// a terminal, a full disk or a closed stream change nothing it sees.
#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

DWORD scriptedNumber(const char* text, char** end) {
  return static_cast<DWORD>(std::strtoul(text, end, 0));
}

const char* scripted(const char* name, const char* unset) {
  const char* text = std::getenv(name);
  return text == nullptr ? unset : text;
}

enum class Call { none, record, failedRecord, lastError, word };
Call last = Call::none;
// The record GetVersionExA was given: its text may lack a NUL.
const void* givenRecord = nullptr;

// What the report has written so far, as its printf calls formatted it.
std::string written;

void require(bool inOrder, const char* rule) {
  if (!inOrder) {
    std::fprintf(stderr, "scripted platform: %s\n", rule);
    std::_Exit(70);
  }
}

}  // namespace

extern "C" BOOL GetVersionExA(OSVERSIONINFOA* versionInformation) {
  require(last == Call::none && written.empty(), "GetVersionExA comes first, before any output");
  require(versionInformation->dwOSVersionInfoSize == sizeof(OSVERSIONINFOA),
          "GetVersionExA is given the record's size, 148");
  givenRecord = versionInformation;
  if (std::getenv("OSVER_ERROR") != nullptr) {
    last = Call::failedRecord;
    // A platform may leave anything behind when it fails: leave junk,
    // without a NUL, in everything but the size.
    auto* bytes = static_cast<unsigned char*>(static_cast<void*>(versionInformation));
    std::memset(bytes + sizeof(DWORD), 0xA5, sizeof(OSVERSIONINFOA) - sizeof(DWORD));
    return 0;
  }
  last = Call::record;
  char* next = nullptr;
  versionInformation->dwMajorVersion =
      scriptedNumber(scripted("OSVER_RECORD", "5 0 2195 2"), &next);
  versionInformation->dwMinorVersion = scriptedNumber(next, &next);
  versionInformation->dwBuildNumber = scriptedNumber(next, &next);
  versionInformation->dwPlatformId = scriptedNumber(next, &next);
  char* text = versionInformation->szCSDVersion;
  const std::size_t room = sizeof versionInformation->szCSDVersion;
  const char* csd = scripted("OSVER_CSD", "");
  std::memset(text, 0, room);
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result): 128 bytes leave no NUL, on purpose
  std::memcpy(text, csd, std::min(std::strlen(csd), room));
  return 1;
}

extern "C" DWORD GetLastError() {
  require(last == Call::failedRecord && written.empty(),
          "GetLastError only straight after a failed GetVersionExA");
  last = Call::lastError;
  return scriptedNumber(scripted("OSVER_ERROR", "0"), nullptr);
}

extern "C" DWORD GetVersion() {
  const bool failed = last == Call::lastError;
  require((last == Call::record || failed) &&
              std::ranges::count(written, '\n') == (failed ? 2 : 1) && written.ends_with('\n'),
          "GetVersion once, right after the record line");
  last = Call::word;
  return scriptedNumber(scripted("OSVER_WORD", "0x08930005"), nullptr);
}

// The report's printf: formats the text, keeps it, and writes it as printf would.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl50-cpp,readability-identifier-naming)
extern "C" [[gnu::format(printf, 1, 2)]] int __wrap_printf(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  // Text printed with a precision (%.*s) must end, at it or at a NUL, within the
  // record; the report's other conversions are %d, %X and %s.
  std::va_list scan;
  va_copy(scan, args);
  for (const char* at = format; (at = std::strchr(at, '%')) != nullptr;) {
    at += 1 + std::strspn(at + 1, "0123456789");
    const bool bounded = std::strncmp(at, ".*s", 3) == 0;
    (void)(*at == 'd' ? va_arg(scan, int) : 0);
    (void)(*at == 'X' ? va_arg(scan, unsigned) : 0U);
    const auto precision = static_cast<std::size_t>(bounded ? va_arg(scan, int) : 0);
    const char* text = bounded || *at == 's' ? va_arg(scan, const char*) : nullptr;
    const std::uintptr_t offset =
        std::bit_cast<std::uintptr_t>(text) - std::bit_cast<std::uintptr_t>(givenRecord);
    const std::size_t room = offset < sizeof(OSVERSIONINFOA) ? sizeof(OSVERSIONINFOA) - offset : 0;
    require(!bounded || precision <= room || std::memchr(text, 0, room) != nullptr,
            "text printed with a precision ends within GetVersionExA's record");
  }
  va_end(scan);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, again);
  va_end(again);
  std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
  // Its NUL goes to text[size()], where the string keeps one anyway.
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  written += text;
  return length < 0 || std::fwrite(text.data(), 1, text.size(), stdout) < text.size() ? -1 : length;
}
