// The few Win32 declarations the version report uses, for hosts without
// Win32. The calls are answered from the host's uname(2).
#pragma once

#include <stdint.h>

using BOOL = int;
using CHAR = char;
using DWORD = uint32_t;  // 32 bits, as on Windows, whatever the host's long

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148, "laid out as Win32 lays it out");

extern "C" {
BOOL GetVersionExA(OSVERSIONINFOA* versionInformation);
DWORD GetVersion();
DWORD GetLastError();
}
