# The Debian package, built by `cpack -G DEB` from the install rules (scripts/package). The
# libraries it depends on are read from the binaries by dpkg-shlibdeps, not listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vortlen3)
set(CPACK_PACKAGE_VENDOR "Вортлен 3 developers")
set(CPACK_PACKAGE_CONTACT "Вортлен 3 developers <vortlen3@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "diagnosis and adjustment of ZMZ engines with Mikas ECUs over K-Line")
set(CPACK_PACKAGE_DESCRIPTION [=[
Вортлен 3 talks to the Микас 5.4, 7.1 and 7.2 engine control units of ZMZ 405, 406 and 409
petrol engines through a simple K-Line adapter on a serial or USB port: live engine data and
graphs, faults, fuel-correction tables, the ECU's passport, relay and injector switching, the
injector balance and timing-phase tests, and CO, ignition, temperature and idle-valve
adjustments. The interface and the user guide are in Russian.
.
The package also holds vortlen3-ecusim, a simulated ECU and adapter for training and for
trying the program without a car.]=])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vortlen3.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not linked, but needed at run time: the platform plugins that open a window on X11 or
# Wayland. Qt's Russian texts are inside the program.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# SPDX-License-Identifier: GPL-3.0-or-later (also in the package's copyright file)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
