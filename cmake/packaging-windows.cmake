# The Windows installer (NSIS, 64-bit) and the portable archive (.zip), built by `cpack` in the
# windows-program build: vortlen3-<version>-setup.exe and vortlen3-<version>-windows.zip.
# The installer puts the program into Program Files\Вортлен 3\bin, makes the Start-menu entry
# «Вортлен 3» and, when asked, a desktop shortcut, and registers itself in Programs and Features;
# its uninstaller removes what it installed. The user's settings (HKCU\Software\Vortlen3) and
# recordings (Documents\Vortlen3) are not the installer's and stay.
set(CPACK_GENERATOR NSIS ZIP)
# The values below reach the installer script as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME vortlen3)
set(CPACK_PACKAGE_VENDOR "Вортлен 3 developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Вортлен 3: диагностика и регулировка ЭБУ Микас")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Вортлен 3")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Вортлен 3")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The Start-menu entry: program, then the entry's name.
set(CPACK_PACKAGE_EXECUTABLES vortlen3 "Вортлен 3")
set(CPACK_CREATE_DESKTOP_LINKS vortlen3)
# The options page, where the desktop shortcut is offered, comes with the choice of adding the
# program's folder to PATH (off unless chosen).
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_PACKAGE_NAME "Вортлен 3")
set(CPACK_NSIS_DISPLAY_NAME "Вортлен 3")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\vortlen3.exe")
set(CPACK_NSIS_MUI_ICON ${VORTLEN3_ICO})
set(CPACK_NSIS_MUI_UNIICON ${VORTLEN3_ICO})
set(CPACK_NSIS_URL_INFO_ABOUT "https://vortlen3.example.org/")
set(CPACK_NSIS_CONTACT "vortlen3@example.org")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit Unicode installer: Program Files and the registry without the 32-bit redirection, and
# Cyrillic names.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# The folder key the installer keeps its place in, and its vendor key once empty: nothing of the
# installer stays in the registry.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  DeleteRegKey SHCTX "Software\@CPACK_PACKAGE_VENDOR@\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@"
  DeleteRegKey /ifempty SHCTX "Software\@CPACK_PACKAGE_VENDOR@"]=])
string(CONFIGURE "${CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS}" CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS @ONLY)
# The file names differ per generator: set in the CPack run itself.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/packaging-windows-names.cmake)
set(CPACK_PACKAGE_FILE_NAME vortlen3-${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES OFF)
include(CPack)
