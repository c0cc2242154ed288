# The fuzz build instruments every library it compiles, so the fuzz targets
# link the same libraries as the programs and still see coverage in them.
# Optimised even in the Debug preset: an unoptimised fuzzer tries a tenth as
# many inputs.
if(QUORREL_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (the fuzz preset sets it).")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -O1 -g -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
