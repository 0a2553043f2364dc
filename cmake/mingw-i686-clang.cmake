# Cross-build for 32-bit Windows on x86 with Debian's clang and lld, over the
# same mingw-w64 headers and import libraries as the GCC build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)

# Which lld and windres, as scripts/clang-toolchain decides for every part
# of the build and its scripts.
execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/clang-toolchain
                OUTPUT_VARIABLE found RESULT_VARIABLE missing)
if(missing)
  message(FATAL_ERROR "${found}scripts/install-deps, run as root, installs what is missing.")
endif()
string(REGEX MATCH "lld=([^\n]*)" _ "${found}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld --ld-path=${CMAKE_MATCH_1}")
string(REGEX MATCH "windres=([^\n]*)" _ "${found}")
set(CMAKE_RC_COMPILER ${CMAKE_MATCH_1})
set(CMAKE_RC_FLAGS_INIT --target=pe-i386)

# Debian has no C++ run-time for this target; the project's programs need
# none, so the compiler check compiles without linking.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The tests run its programs under Wine, in the way this machine allows.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-mode)
