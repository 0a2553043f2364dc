# Build settings for a program of this project.
#
# With mingw-w64 (GCC or clang) a program is a plain Win32 console program for
# x86 that stands on the project's own start-up and imports from KERNEL32.dll
# and crtdll.dll alone: crtdll.dll is the run-time every Win32 release has,
# from the first ones on, where msvcrt.dll came later. Nothing of mingw-w64's
# own start-up, nor libstdc++, is linked in.

function(osver_program_settings target)
  if(NOT MINGW)
    return()
  endif()
  # The run-time's own printf, not mingw's replacement; no exceptions, no
  # unwind tables and no compiler tag: nothing the run-time would have to
  # support, nothing that varies between builds.
  target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti
                                           -fno-asynchronous-unwind-tables -fno-ident)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:osver_start>)
    # Subsystem 3.10 is the oldest console marking; NT 3.1 loads nothing
    # newer. The system version says the same, as lld writes it anyway.
    # Relocations stay in. No symbols, no time stamp: the same source gives
    # the same bytes. -nostdlib also keeps out the toolchain's default
    # manifest: the program is told what any unmanifested program is told.
    target_link_options(${target} PRIVATE -nostdlib -s -Wl,-e,_mainCRTStartup
                        -Wl,--subsystem,console:3.10 -Wl,--major-os-version,3
                        -Wl,--minor-os-version,10 -Wl,--dynamicbase -Wl,--no-insert-timestamp)
    # mingw32 for the compiler's static-constructor support (__main) alone.
    target_link_libraries(${target} PRIVATE mingw32 crtdll kernel32)
  endif()
endfunction()

if(MINGW)
  add_library(osver_start OBJECT ${CMAKE_CURRENT_LIST_DIR}/../platform/windows/start.cpp)
  osver_program_settings(osver_start)
  # Only the libraries named above, in that order.
  set(CMAKE_CXX_STANDARD_LIBRARIES "")
endif()
