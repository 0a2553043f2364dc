# Build settings for a program of this project.
#
# With mingw-w64 (GCC or clang) a program is a plain Win32 console program for
# x86 that stands on the project's own start-up and imports from KERNEL32.dll
# and crtdll.dll alone. Which option below serves which loader rule, and the
# Windows version that needs it: docs/windows.md, "What the loaders need".

function(osver_program_settings target)
  if(NOT MINGW)
    return()
  endif()
  # 80386 code. The smallest code: it runs once, and the file is to fit in
  # the size the tests allow (max_bytes). The run-time's own printf, not mingw's replacement; no
  # exceptions, no unwind tables and no compiler tag: nothing the run-time
  # would have to support, nothing that varies between builds.
  target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
  target_compile_options(${target} PRIVATE -march=i386 -Os -fno-exceptions -fno-rtti
                                           -fno-asynchronous-unwind-tables -fno-ident)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:osver_start>)
    # -nostdlib: no start-up, library or default manifest of the toolchain.
    # 0x400000: a base every Win32 version has free. The map beside the file
    # tells its checks which bytes are code (GNU ld and lld both take -Map).
    target_link_options(${target} PRIVATE -nostdlib -s -Wl,-e,_mainCRTStartup
                        -Wl,--subsystem,console:3.10 -Wl,--major-os-version,1
                        -Wl,--minor-os-version,0 -Wl,--file-alignment,512
                        -Wl,--image-base,0x400000 -Wl,--dynamicbase -Wl,--no-insert-timestamp
                        -Wl,-Map,$<TARGET_FILE:${target}>.map)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
      # lld: the import tables into .data (it warns that this overrides its
      # own merge of them), the rest of the read-only data into .text, as in
      # the GCC build, and the checksum. Its sections are 4,096 apart already;
      # told so, it would warn (for anything but a driver).
      target_link_options(${target} PRIVATE -Wl,--Xlink=-merge:.idata=.data
                          -Wl,--Xlink=-merge:.rdata=.text -Wl,--Xlink=-release)
    else()
      # GNU ld: the layout from the project's own script; no pseudo-
      # relocations, as nothing here would apply them.
      target_link_options(${target} PRIVATE -Wl,--section-alignment,4096 -Wl,--enable-reloc-section
                          -Wl,--disable-runtime-pseudo-reloc
                          -Wl,-T,${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../platform/windows/gnu-ld.x)
      set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
                   ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../platform/windows/gnu-ld.x)
    endif()
    target_link_libraries(${target} PRIVATE crtdll kernel32)
  endif()
endfunction()

if(MINGW)
  add_library(osver_start OBJECT ${CMAKE_CURRENT_LIST_DIR}/../platform/windows/start.cpp)
  osver_program_settings(osver_start)
  # Only the libraries named above, in that order.
  set(CMAKE_CXX_STANDARD_LIBRARIES "")
endif()
