# Cross build for 32-bit x86 Windows with MinGW-w64 from a Debian machine: the
# exe that ships. The host is a 32-bit program and runs where 64-bit
# programs cannot (32-bit Windows, the x86 emulation of Windows on ARM), so
# the tool is one too. Everything is linked statically, so that the .exe
# imports only Windows' own DLLs.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(Q527_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# double arithmetic in SSE2, rounded to 53 bits at every step as on x86-64,
# so that every coordinate comes out as the Linux build writes it; long
# double stays the x87's 80 bits. Every processor that runs the host's
# Windows has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# Large address aware: up to 4 GB on 64-bit Windows instead of 2 GB.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--large-address-aware")
