# Cross-build for 32-bit Windows on x86 with Debian's clang and lld, over the
# same mingw-w64 headers and import libraries as the GCC build. lld 16, not
# Debian 12's default 14: that one can write no PE checksum.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -fuse-ld=lld-16)
# Debian has no C++ run-time for this target; the project's programs need
# none, so the compiler check compiles without linking.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
