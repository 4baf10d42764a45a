# Tests of a cross build: GoogleTest compiled from source for the target, and each test program
# run through an emulator. For Windows that is Wine, in a prefix of the build's own
# (<build>/wine), created by the first test program that runs.

set(VORTLEN3_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")
if(NOT EXISTS ${VORTLEN3_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${VORTLEN3_GTEST_SOURCE} (Debian package googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VORTLEN3_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL SYSTEM)

if(WIN32 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VORTLEN3_WINE wine REQUIRED)
  set(VORTLEN3_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${VORTLEN3_WINEPREFIX})
endif()

# The test programs are listed when CTest starts rather than at build time, so that building
# needs no emulator.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
