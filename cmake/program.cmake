# Build settings for a program of this project.
#
# With mingw-w64 (GCC or clang) a program is a plain Win32 console program for
# x86 that stands on the project's own start-up and imports from KERNEL32.dll
# and crtdll.dll alone: crtdll.dll is the run-time every Win32 release has,
# from the first ones on, where msvcrt.dll came later. Nothing of mingw-w64's
# own start-up, nor libstdc++, nor any code of the toolchain's libraries but the
# import thunks, is linked in.

function(osver_program_settings target)
  if(NOT MINGW)
    return()
  endif()
  # 80386 code: NT 3.1 and Windows 95 run on the 386, Windows 98 on the 486,
  # XP on CPUs without CMOV (the Pentium MMX, the K6). The smallest code: it
  # runs once, and the file is to fit in 4,096 bytes. The run-time's own
  # printf, not mingw's replacement; no exceptions, no unwind tables and no
  # compiler tag: nothing the run-time would have to support, nothing that
  # varies between builds.
  target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
  target_compile_options(${target} PRIVATE -march=i386 -Os -fno-exceptions -fno-rtti
                                           -fno-asynchronous-unwind-tables -fno-ident)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:osver_start>)
    # What the loaders of every release take, each asked of the linker, for
    # none is left to a default that a newer linker may change:
    # - subsystem 3.10, the oldest console marking, and system version 1.0:
    #   NT 3.1 loads nothing marked later;
    # - alignment 512 in the file and 4,096 in memory, as Windows 95 needs;
    # - the preferred base every Win32 release has free, and relocations,
    #   which Vista and later apply when they load the file elsewhere;
    # - no time stamp and no symbols: the same source gives the same bytes;
    # - no pseudo-relocations: nothing here would apply them.
    # -nostdlib also keeps out the toolchain's default manifest: the program
    # is told what any unmanifested program is told. The map beside the file
    # tells its checks which bytes are code (GNU ld and lld both take -Map).
    target_link_options(${target} PRIVATE -nostdlib -s -Wl,-e,_mainCRTStartup
                        -Wl,--subsystem,console:3.10 -Wl,--major-os-version,1
                        -Wl,--minor-os-version,0 -Wl,--file-alignment,512
                        -Wl,--image-base,0x400000 -Wl,--dynamicbase -Wl,--no-insert-timestamp
                        -Wl,-Map,$<TARGET_FILE:${target}>.map)
    # NT 3.1 expects the import address table, which its loader fills in, in
    # a writable section, and the file to carry a correct checksum.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
      # lld keeps the import tables with the read-only data; they go into
      # .data, and the rest of the read-only data goes with the code, as in
      # the GCC build (lld warns that this overrides its own rule for the
      # import tables). It writes the checksum only when told -release. Its
      # sections are 4,096 apart unless it is told otherwise, which it warns
      # about for anything but a driver: so it is not told.
      target_link_options(${target} PRIVATE -Wl,--Xlink=-merge:.idata=.data
                          -Wl,--Xlink=-merge:.rdata=.text -Wl,--Xlink=-release)
    else()
      # GNU ld always writes the checksum. Its default script puts the
      # import tables in .idata, which 2.44 made read-only: the project's
      # own script puts them in .data.
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
