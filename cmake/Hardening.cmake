# The programs are built hardened, as Debian builds its packages: the stack
# guarded against overruns and clashes, the C library's checked variants of
# its copying functions (they need the optimiser, so only optimised builds
# get them; a debug or sanitizer build keeps its own checks), and the
# relocations resolved and made read-only before the program runs.
# ELF systems only: the flags mean nothing to a Windows linker.
if(UNIX AND NOT APPLE)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection
                      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
