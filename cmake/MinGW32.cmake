# The 32-bit x86 Windows build with MinGW-w64, cross-built from Debian
# (cmake/toolchain-mingw32.cmake) or native in MSYS2's MINGW32:
# - double arithmetic in SSE2, rounded to 53 bits at every step as on
#   x86-64, so that every coordinate comes out as the Linux build writes it
#   (the x87 would round twice); long double stays the x87's 80 bits. Every
#   processor that runs the host's Windows has SSE2.
# - everything linked statically, so that the exe imports only Windows' own
#   DLLs;
# - large address aware: up to 4 GB on 64-bit Windows instead of 2 GB.
# The flags lead the command lines, where a toolchain file's would stand, and
# are added once only.
if(MINGW AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  foreach(flags CMAKE_C_FLAGS CMAKE_CXX_FLAGS)
    if(NOT " ${${flags}} " MATCHES " -mfpmath=sse ")
      string(STRIP "-msse2 -mfpmath=sse ${${flags}}" ${flags})
    endif()
  endforeach()
  if(NOT " ${CMAKE_EXE_LINKER_FLAGS} " MATCHES " -Wl,--large-address-aware ")
    string(STRIP "-static -static-libgcc -static-libstdc++ -Wl,--large-address-aware ${CMAKE_EXE_LINKER_FLAGS}"
           CMAKE_EXE_LINKER_FLAGS)
  endif()
endif()
