// The three Win32 calls of the version report, answered from uname(2).
#include <sys/utsname.h>
#include <windows.h>

#include <cerrno>

#include "uname_version.h"

namespace {

DWORD lastError = 0;

// uname(2) answers the same for the life of the process, so it is asked
// once; both calls then answer from the same record, as Windows does.
bool asked = false;
DWORD unameError = 0;
OSVERSIONINFOA host{};

void askHost() {
  if (asked) {
    return;
  }
  asked = true;
  utsname name{};
  if (uname(&name) != 0) {
    unameError = static_cast<DWORD>(errno);
    return;
  }
  standin::fillRecord(name, host);
}

}  // namespace

extern "C" BOOL GetVersionExA(OSVERSIONINFOA* versionInformation) {
  if (versionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    lastError = standin::insufficientBuffer;
    return 0;
  }
  askHost();
  if (unameError != 0) {
    lastError = unameError;
    return 0;
  }
  *versionInformation = host;
  versionInformation->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  return 1;
}

// No failure to report: without an answer from uname the numbers are zeros.
extern "C" DWORD GetVersion() {
  askHost();
  return standin::packVersion(host);
}

extern "C" DWORD GetLastError() { return lastError; }
