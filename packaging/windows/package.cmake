# The Windows packages, made in the build folder:
#   cpack --preset windows (or cpack -G ZIP): the zip, one folder holding the
#     programs beside Lang\ and PATCH.TXT, where they find them, with empty
#     image folders to fill and a README. Unpacked anywhere, it runs as it
#     is; started from another folder, the programs use the user's own data
#     folder, seeded from this one.
#   cpack -G NSIS: the installer quorrel-upgrade-<version>-win64.exe (Debian's
#     nsis): the same files under Program Files, a Start-menu entry for the
#     window, and an uninstaller that takes all of it away again.
foreach(program quorrel-upgrade quorrel-upgrade-wizard quorrel-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Lang DESTINATION . FILES_MATCHING PATTERN "*.txt")
install(FILES ${PROJECT_SOURCE_DIR}/data/PATCH.TXT DESTINATION .)
install(DIRECTORY DESTINATION Image/Apex)
install(DIRECTORY DESTINATION Image/Tern)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorrel-upgrade)
set(CPACK_PACKAGE_VENDOR "Quorrel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware upgrade wizard for Quorrel measurement interfaces")
set(CPACK_PACKAGE_FILE_NAME quorrel-upgrade-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The programs go without their debugging symbols.
set(CPACK_STRIP_FILES ON)

# The installer. Its name differs from the zip's, so it is set per generator.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_per_generator.cmake)
set(CPACK_QUORREL_INSTALLER_NAME quorrel-upgrade-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Quorrel Upgrade")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Quorrel Upgrade")
set(CPACK_NSIS_PACKAGE_NAME "Quorrel Upgrade Wizard")
set(CPACK_NSIS_DISPLAY_NAME "Quorrel Upgrade Wizard ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer for the 64-bit programs: it runs where they run.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/resources/pictures/interface-icon.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/resources/pictures/interface-icon.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME quorrel-upgrade-wizard.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
# The Start-menu entry starts the window where there is no data tree (the
# user's profile), so it works in the user's own data folder, where the
# images go, rather than under Program Files. (cpack reads these texts
# once more: each backslash is written twice, and NSIS's quotes are single.)
set(CPACK_NSIS_CREATE_ICONS_EXTRA [=[
  SetOutPath '$PROFILE'
  CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\Quorrel Upgrade Wizard.lnk' '$INSTDIR\\quorrel-upgrade-wizard.exe'
  SetOutPath '$INSTDIR'
]=])
set(CPACK_NSIS_DELETE_ICONS_EXTRA [=[
  Delete '$SMPROGRAMS\\$MUI_TEMP\\Quorrel Upgrade Wizard.lnk'
]=])
include(CPack)
