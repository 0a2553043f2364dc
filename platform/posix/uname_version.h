// How the stand-in platform turns the host's uname(2) into Win32's version
// answers. Apart from the calls themselves so that tests can feed it odd hosts.
#pragma once

#include <sys/utsname.h>
#include <windows.h>

#include <string_view>

namespace standin {

// None of Windows' own platform ids, so the report names it "Win??".
constexpr DWORD unamePlatformId = 255;

// Win32's ERROR_INSUFFICIENT_BUFFER, for a record of the wrong size.
constexpr DWORD insufficientBuffer = 122;

struct ReleaseNumbers {
  DWORD major;
  DWORD minor;
  DWORD build;
};

// The first three decimal numbers in a release such as "6.18.44-fc-v1300";
// a missing one is 0, one too large for 32 bits saturates.
ReleaseNumbers parseRelease(std::string_view release);

// Fills everything but the size from the host's identification. The fields
// of utsname are read within their bounds, NUL or no NUL.
void fillRecord(const utsname& host, OSVERSIONINFOA& record);

// Packs the record as Windows does on a platform that is not NT.
DWORD packVersion(const OSVERSIONINFOA& record);

}  // namespace standin
