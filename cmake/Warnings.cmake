# quorrel_warnings(target): the project's warning set on one target.
function(quorrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(QUORREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
