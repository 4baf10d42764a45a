# Read by CPack for each generator: vortlen3-<version>-setup.exe, vortlen3-<version>-windows.zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "vortlen3-${CPACK_PACKAGE_VERSION}-setup")
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME "vortlen3-${CPACK_PACKAGE_VERSION}-windows")
endif()
