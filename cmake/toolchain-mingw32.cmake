# Cross build for 32-bit x86 Windows with MinGW-w64 from a Debian machine: the
# exe that ships. The host is a 32-bit program and runs where 64-bit
# programs cannot (32-bit Windows, the x86 emulation of Windows on ARM), so
# the tool is one too. Everything is linked statically, so that the .exe
# imports only Windows' own DLLs.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(Q527_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# SSE2 doubles, the static run-time and large address awareness are set by
# cmake/MinGW32.cmake for every 32-bit MinGW-w64 build, native ones too.
