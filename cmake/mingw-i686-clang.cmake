# Cross-build for 32-bit Windows on x86 with Debian's clang and lld, over the
# same mingw-w64 headers and import libraries as the GCC build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)

# NAME, then NAME-N for each release's versioned copies, newest first.
function(osver_versioned_names result name)
  set(names ${name})
  foreach(major RANGE 40 13 -1)
    list(APPEND names ${name}-${major})
  endforeach()
  set(${result} ${names} PARENT_SCOPE)
endfunction()

# lld 16 or later: older ones ignore -release and write no PE checksum, which
# NT 3.1 wants. The release's own ld.lld if it is new enough (Debian 13: 19),
# else a versioned one beside it (Debian 12: lld-16 beside its 14).
function(osver_lld_writes_checksum result lld)
  execute_process(COMMAND ${lld} --version OUTPUT_VARIABLE version ERROR_QUIET)
  if(NOT version MATCHES "LLD ([0-9]+)\\." OR CMAKE_MATCH_1 LESS 16)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()
osver_versioned_names(lld_names ld.lld)
find_program(OSVER_LLD NAMES ${lld_names} VALIDATOR osver_lld_writes_checksum)
if(NOT OSVER_LLD)
  message(FATAL_ERROR "No lld 16 or later (ld.lld, ld.lld-16, ...): the clang build needs one to "
                      "write the PE checksum. scripts/install-deps, run as root, installs it.")
endif()
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld --ld-path=${OSVER_LLD}")

# The version resource: LLVM's windres, whichever version the release has.
osver_versioned_names(windres_names llvm-windres)
find_program(CMAKE_RC_COMPILER NAMES ${windres_names})
if(NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "No llvm-windres: the clang build compiles the version resource with it. "
                      "scripts/install-deps, run as root, installs it (Debian's llvm).")
endif()
set(CMAKE_RC_FLAGS_INIT --target=pe-i386)

# Debian has no C++ run-time for this target; the project's programs need
# none, so the compiler check compiles without linking.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
