#include "uname_version.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <span>

namespace standin {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A utsname field as text: up to its first NUL, or the whole field if none.
template <std::size_t N>
std::string_view fieldText(const char (&field)[N]) {
  const auto* end = std::find(field, field + N, '\0');
  return {field, static_cast<std::size_t>(end - field)};
}

}  // namespace

ReleaseNumbers parseRelease(std::string_view release) {
  constexpr DWORD most = std::numeric_limits<DWORD>::max();
  std::array<DWORD, 3> numbers{};
  std::size_t found = 0;
  std::size_t at = 0;
  while (found < numbers.size() && at < release.size()) {
    if (!isDigit(release[at])) {
      ++at;
      continue;
    }
    DWORD value = 0;
    for (; at < release.size() && isDigit(release[at]); ++at) {
      const auto digit = static_cast<DWORD>(release[at] - '0');
      value = value > (most - digit) / 10 ? most : (value * 10) + digit;
    }
    numbers.at(found++) = value;
  }
  return {.major = numbers[0], .minor = numbers[1], .build = numbers[2]};
}

void fillRecord(const utsname& host, OSVERSIONINFOA& record) {
  const std::string_view release = fieldText(host.release);
  const ReleaseNumbers numbers = parseRelease(release);
  record.dwMajorVersion = numbers.major;
  record.dwMinorVersion = numbers.minor;
  record.dwBuildNumber = numbers.build;
  record.dwPlatformId = unamePlatformId;

  // "<system> <release>", cut to leave room for the terminating NUL.
  const std::span<char> text(record.szCSDVersion);
  const std::size_t room = text.size() - 1;
  std::size_t used = 0;
  for (const std::string_view part : {fieldText(host.sysname), std::string_view(" "), release}) {
    const std::size_t take = std::min(part.size(), room - used);
    std::memcpy(text.data() + used, part.data(), take);
    used += take;
  }
  std::fill(text.begin() + static_cast<std::ptrdiff_t>(used), text.end(), '\0');
}

DWORD packVersion(const OSVERSIONINFOA& record) {
  return (record.dwMajorVersion & 0xFFU) | ((record.dwMinorVersion & 0xFFU) << 8U) |
         ((0x8000U | (record.dwBuildNumber & 0x7FFFU)) << 16U);
}

}  // namespace standin
