// Fuzzes the stand-in's reading of the host's identification: any bytes as
// the system name and release, NULs anywhere or nowhere.
#include <sys/utsname.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "uname_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const standin::ReleaseNumbers numbers = standin::parseRelease(input);
  const bool anyDigit =
      std::any_of(input.begin(), input.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!anyDigit && (numbers.major | numbers.minor | numbers.build) != 0) {
    std::abort();
  }

  // The first byte says where the system name ends and the release begins.
  utsname host{};
  const std::size_t split = size == 0 ? 0 : std::min<std::size_t>(data[0], size - 1);
  const std::string_view sysname = input.substr(size == 0 ? 0 : 1, split);
  const std::string_view release = input.substr(std::min(size, split + 1));
  std::memcpy(host.sysname, sysname.data(), std::min(sysname.size(), sizeof host.sysname));
  std::memcpy(host.release, release.data(), std::min(release.size(), sizeof host.release));

  OSVERSIONINFOA record{};
  std::memset(&record, 0x5A, sizeof record);
  standin::fillRecord(host, record);
  if (std::memchr(record.szCSDVersion, '\0', sizeof record.szCSDVersion) == nullptr ||
      record.dwPlatformId != standin::unamePlatformId) {
    std::abort();
  }
  return 0;
}
