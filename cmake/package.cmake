# Run by cpack (the External generator): the staged package becomes
# osver-<version>-win32.zip and osver-<version>-floppy.img, the source
# osver-<version>-source.zip, and SHA256SUMS lists the three: the same bytes
# for the same source, whenever and wherever it is built, from a git checkout
# or from the source zip.
if(NOT CPACK_OSVER_PYTHON)
  message(FATAL_ERROR "The package is zipped by Python 3, which configure did not find.")
endif()
set(name "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}")
execute_process(COMMAND "${CPACK_OSVER_PYTHON}" "${CPACK_OSVER_SOURCE_DIR}/cmake/package-zip.py"
                        "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_OSVER_SOURCE_DIR}"
                        "${CPACK_TOPLEVEL_DIRECTORY}" "${name}" "${CPACK_OSVER_PACKAGE_DATE}"
                COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES "${CPACK_TOPLEVEL_DIRECTORY}/${name}-source.zip"
    "${CPACK_TOPLEVEL_DIRECTORY}/${name}-win32.zip" "${CPACK_TOPLEVEL_DIRECTORY}/${name}-floppy.img"
    "${CPACK_TOPLEVEL_DIRECTORY}/SHA256SUMS")
