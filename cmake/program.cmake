# Build settings for a program of this project.
#
# With mingw-w64 a program is a plain Win32 console program for x86 that
# imports from KERNEL32.dll and crtdll.dll alone: crtdll.dll is the run-time
# every Win32 release has, from the first ones on, where msvcrt.dll came later.

if(MINGW)
  # gcc's specs name -lmsvcrt; the same specs with -lcrtdll link crtdll.dll.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs OUTPUT_VARIABLE _osver_specs
                  COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "-lmsvcrt" "-lcrtdll" _osver_specs "${_osver_specs}")
  # No application manifest, not even the toolchain's default one: the program
  # must be told what any unmanifested 32-bit program is told.
  string(REPLACE "%:if-exists(default-manifest.o%s)" "" _osver_specs "${_osver_specs}")
  set(OSVER_CRTDLL_SPECS "${CMAKE_BINARY_DIR}/crtdll.specs")
  file(WRITE "${OSVER_CRTDLL_SPECS}" "${_osver_specs}")
  # mingw-w64's start-up leaves wildcards in arguments unexpanded unless this
  # object sets its switch; Windows' own start-up expands them.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=CRT_glob.o
                  OUTPUT_VARIABLE OSVER_CRT_GLOB OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
endif()

function(osver_program_settings target)
  if(MINGW)
    # The run-time's own printf, not mingw's replacement (about 28 KB).
    target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
    target_compile_options(${target} PRIVATE "-specs=${OSVER_CRTDLL_SPECS}")
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "EXECUTABLE")
      # No libgcc DLL to ship, no time stamp: the same source gives the same bytes.
      target_link_options(${target} PRIVATE "-specs=${OSVER_CRTDLL_SPECS}" -static-libgcc
                          -static-libstdc++ -s -Wl,--no-insert-timestamp)
      target_sources(${target} PRIVATE ${OSVER_CRT_GLOB})
    endif()
  endif()
endfunction()
