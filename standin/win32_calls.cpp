// The three Win32 calls of the version report, answered from uname(2).
#include <sys/utsname.h>
#include <windows.h>

#include <cerrno>

#include "uname_version.h"

namespace {
DWORD lastError = 0;
}  // namespace

extern "C" BOOL GetVersionExA(OSVERSIONINFOA* versionInformation) {
  if (versionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    lastError = standin::insufficientBuffer;
    return 0;
  }
  utsname host{};
  if (uname(&host) != 0) {
    lastError = static_cast<DWORD>(errno);
    return 0;
  }
  standin::fillRecord(host, *versionInformation);
  return 1;
}

extern "C" DWORD GetVersion() {
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = sizeof record;
  // Like Windows, the word comes from the same source as the record, and
  // there is no failure to report: a failed uname packs as zeros.
  const DWORD savedError = lastError;
  GetVersionExA(&record);
  lastError = savedError;
  return standin::packVersion(record);
}

extern "C" DWORD GetLastError() { return lastError; }
