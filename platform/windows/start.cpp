// The process start-up and exit of osver.exe, over crtdll.dll, the C run-time
// every Win32 version ships, from Windows NT 3.1 and Windows 95 on.
//
// For the GCC and clang mingw-w64 toolchains alone: it names import-table
// slots and the linker's constructor lists with asm labels, and relies on
// their import libraries for crtdll.dll.
//
// The two kernel functions NT 3.5 brought are looked up by name here, not
// imported, and what the toolchain's libraries would bring in beside the
// import thunks (__main, __acrt_iob_func, atexit) is written here: the file
// keeps the loader rules of docs/windows.md, "What the loaders need".
#include <stdio.h>
#include <windows.h>

using Handler = void(__cdecl*)();

// crtdll.dll's start-up and exit services. mingw-w64's import library marks
// some of them as data and has no call thunk for others, so they are all
// called through their import-table slots. _iob's slot holds the address of
// crtdll's array of standard streams.
extern "C" {
extern void(__cdecl* crtGetMainArgs)(int* argc, char*** argv, char*** envp,
                                     int expandWildcards) __asm__("__imp____GetMainArgs");
extern void(__cdecl* crtFpreset)() __asm__("__imp___fpreset");
extern void(__cdecl* crtCexit)() __asm__("__imp___cexit");
extern int(__cdecl* crtAtexit)(Handler handler) __asm__("__imp__atexit");
extern FILE* crtStreams __asm__("__imp___iob");

// The linker's list of static constructors: a word that is no entry (-1 or
// a count), the entries, then a null. Its list of destructors is not run:
// GCC and clang register a static object's destructor with atexit, so only
// a function marked __attribute__((destructor)) would be in it, and nothing
// here has one; a step no test exercises could break unnoticed. Such an
// entry is refused: docs/windows.md, "What the loaders need".
extern const Handler constructorList[] __asm__("___CTOR_LIST__");
}

// The program's main, by its symbol: C++ lets no code of the program call main.
int programMain(int argc, char** argv, char** envp) __asm__("_main");

namespace {

using SetUnhandledExceptionFilterFunction =
    LPTOP_LEVEL_EXCEPTION_FILTER(WINAPI*)(LPTOP_LEVEL_EXCEPTION_FILTER filter);
using GetVersionExAFunction = BOOL(WINAPI*)(LPOSVERSIONINFOA versionInformation);
using StreamFunction = FILE*(__cdecl*)(unsigned index);

// What GetVersionExA does where KERNEL32 has none (NT 3.1): fail as a call
// to a missing function would.
BOOL WINAPI versionRecordUnavailable(LPOSVERSIONINFOA /*versionInformation*/) {
  SetLastError(ERROR_PROC_NOT_FOUND);
  return FALSE;
}

// stdin, stdout and stderr, as mingw-w64's stdio.h asks for them.
FILE* __cdecl standardStream(unsigned index) { return crtStreams + index; }

template <class Function>
Function kernelFunction(HMODULE kernel, const char* name) {
  // A function found by name has to be given its type. Through void(*)(),
  // the one function pointer type any other converts to without a warning.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

}  // namespace

// main calls these two through their slots, as through any import: the
// start-up fills GetVersionExA's before main runs.
extern "C" {
GetVersionExAFunction importedGetVersionExA __asm__("__imp__GetVersionExA@4") =
    versionRecordUnavailable;
StreamFunction importedStreamFunction __asm__("__imp____acrt_iob_func") = standardStream;
}

// The compiler calls __main first thing in main: the static constructors
// run, the last listed first. Each registers its object's destructor with
// atexit.
void __cdecl runStaticConstructors() __asm__("___main");
void __cdecl runStaticConstructors() {
  const Handler* constructor = constructorList + 1;
  while (*constructor != nullptr) {
    ++constructor;
  }
  while (constructor != constructorList + 1) {
    (*--constructor)();
  }
}

// GCC and clang register a static object's destructor with atexit, and the
// import library has no call thunk for it.
extern "C" int __cdecl atexit(Handler handler) { return crtAtexit(handler); }

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
