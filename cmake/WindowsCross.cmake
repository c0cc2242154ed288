# quorrel_add_to_every_program(library): links `library` into every
# executable defined so far, in every folder.
function(quorrel_add_to_every_program library)
  set(folders ${CMAKE_SOURCE_DIR})
  while(folders)
    list(POP_FRONT folders folder)
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "EXECUTABLE")
        target_link_libraries(${target} PRIVATE ${library})
      endif()
    endforeach()
    get_property(children DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${children})
  endwhile()
endfunction()

# The Windows build made on Linux: its tests run under Wine through the
# cross-compiling emulator, and GoogleTest is built from its sources.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  return()
endif()

set(QUORREL_WINE_DIR /usr/lib/wine CACHE PATH "Folder holding wine64 and wineserver")
set(QUORREL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "The Wine prefix the tests run in")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
  @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

set(QUORREL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources, for the cross build")

# The Windows headers without their min/max macros and rarely used parts;
# Windows 10 is the oldest system the programs run on.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
