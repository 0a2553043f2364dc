// The process start-up and exit of osver.exe, over crtdll.dll, the C run-time
// every Win32 release ships, from Windows NT 3.1 and Windows 95 on.
//
// For the GCC and clang mingw-w64 toolchains alone: it names import-table
// slots with asm labels and relies on their import libraries for crtdll.dll.
//
// Everything the program imports must exist on Windows NT 3.1, or its loader
// refuses the file before the first instruction. The two kernel functions
// NT 3.5 brought are therefore looked up by name here instead of imported.
#include <windows.h>

// crtdll.dll's start-up and exit services. mingw-w64's import library marks
// some of them as data and has no call thunk for others, so they are all
// called through their import-table slots.
extern "C" {
extern void(__cdecl* crtGetMainArgs)(int* argc, char*** argv, char*** envp,
                                     int expandWildcards) __asm__("__imp____GetMainArgs");
extern void(__cdecl* crtFpreset)() __asm__("__imp___fpreset");
extern void(__cdecl* crtCexit)() __asm__("__imp___cexit");
extern int(__cdecl* crtAtexit)(void(__cdecl* handler)()) __asm__("__imp__atexit");
}

// The program's main, by its symbol: C++ lets no code of the program call main.
int programMain(int argc, char** argv, char** envp) __asm__("_main");

namespace {

using SetUnhandledExceptionFilterFunction =
    LPTOP_LEVEL_EXCEPTION_FILTER(WINAPI*)(LPTOP_LEVEL_EXCEPTION_FILTER filter);
using GetVersionExAFunction = BOOL(WINAPI*)(LPOSVERSIONINFOA versionInformation);

// What GetVersionExA does where KERNEL32 has none (NT 3.1): fail as a call
// to a missing function would.
BOOL WINAPI versionRecordUnavailable(LPOSVERSIONINFOA /*versionInformation*/) {
  SetLastError(ERROR_PROC_NOT_FOUND);
  return FALSE;
}

template <class Function>
Function kernelFunction(HMODULE kernel, const char* name) {
  // A function found by name has to be given its type. Through void(*)(),
  // the one function pointer type any other converts to without a warning.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

}  // namespace

// main calls GetVersionExA through this slot, as through any import; the
// start-up fills it before main runs.
extern "C" {
GetVersionExAFunction importedGetVersionExA __asm__("__imp__GetVersionExA@4") =
    versionRecordUnavailable;
}

// The compiler's support library registers the static destructors with
// atexit; crtdll's is reached through its slot.
extern "C" int __cdecl atexit(void(__cdecl* handler)()) { return crtAtexit(handler); }

// The entry point. Windows enters it with the stack aligned to 4 bytes only.
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void mainCRTStartup() {
  // First what the loader does for an import: bind GetVersionExA, where
  // KERNEL32 has it. Then the start-up's own steps.
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  if (auto found = kernelFunction<GetVersionExAFunction>(kernel, "GetVersionExA")) {
    importedGetVersionExA = found;
  }
  // Without it (NT 3.1) the platform's default handling applies already.
  if (auto setFilter = kernelFunction<SetUnhandledExceptionFilterFunction>(
          kernel, "SetUnhandledExceptionFilter")) {
    setFilter(nullptr);
  }
  crtFpreset();
  int argc = 0;
  char** argv = nullptr;
  char** envp = nullptr;
  crtGetMainArgs(&argc, &argv, &envp, 1);
  const int status = programMain(argc, argv, envp);
  crtCexit();
  ExitProcess(static_cast<UINT>(status));
}
