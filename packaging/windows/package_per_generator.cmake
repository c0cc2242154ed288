# Read by cpack for each generator: the installer has a name of its own
# (a CPACK_ variable, so that cpack knows it).
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_QUORREL_INSTALLER_NAME}")
endif()
