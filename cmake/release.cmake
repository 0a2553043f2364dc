# Run by cpack (the External generator): the staged release becomes
# osver-<version>-win32.zip and SHA256SUMS, the same bytes for the same commit
# whenever and wherever it is built.

# Every entry is dated with the commit's date; SOURCE_DATE_EPOCH, where set,
# takes its place, and a source outside git gets the zip format's first day.
set(seconds "$ENV{SOURCE_DATE_EPOCH}")
if(seconds STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_OSVER_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE seconds OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT seconds MATCHES "^[0-9]+$")
  set(seconds 0)
endif()

if(NOT CPACK_OSVER_PYTHON)
  message(FATAL_ERROR "The release is packed by Python 3, which configure did not find.")
endif()
set(zip "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip")
execute_process(COMMAND "${CPACK_OSVER_PYTHON}" "${CPACK_OSVER_SOURCE_DIR}/cmake/release-zip.py"
                        "${CPACK_TEMPORARY_DIRECTORY}" "${zip}" "${seconds}"
                COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES "${zip}" "${CPACK_TOPLEVEL_DIRECTORY}/SHA256SUMS")
