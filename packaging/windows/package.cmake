# The Windows zip (`cpack --preset windows`, or `cpack -G ZIP` in the build):
# one folder holding the programs beside Lang\ and PATCH.TXT, where they find
# them, with empty image folders to fill and a README. Unpacked anywhere, it
# runs as it is; started from another folder, the programs use the user's
# own data folder, seeded from this one.
foreach(program quorrel-upgrade quorrel-sim)
  install(TARGETS ${program} RUNTIME DESTINATION .)
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Lang DESTINATION . FILES_MATCHING PATTERN "*.txt")
install(FILES ${PROJECT_SOURCE_DIR}/data/PATCH.TXT DESTINATION .)
install(DIRECTORY DESTINATION Image/Apex)
install(DIRECTORY DESTINATION Image/Tern)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorrel-upgrade)
set(CPACK_PACKAGE_VENDOR "Quorrel")
set(CPACK_PACKAGE_FILE_NAME quorrel-upgrade-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The programs go without their debugging symbols.
set(CPACK_STRIP_FILES ON)
include(CPack)
