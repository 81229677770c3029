# Cross build for 64-bit Windows with MinGW-w64 from a Debian machine. It
# does not ship: it is the same sources built where the machine cannot run
# 32-bit programs (a kernel without 32-bit support), so that Wine can still
# run the Windows front-end's tests there. Linked statically, as the shipped
# exe is.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(Q527_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's wine goes through the 32-bit loader whenever wine32 is installed,
# which cannot start where 32-bit programs do not run: the 64-bit loader,
# named as the loader of the processes it starts too.
find_program(Q527_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(Q527_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINELOADER=${Q527_WINE64} ${Q527_WINE64})
endif()
