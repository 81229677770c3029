# Cross build for 64-bit Windows with MinGW-w64 from a Debian machine: the
# posix thread model (std::thread and std::mutex need it) and everything
# linked statically, so that the .exe imports only Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(Q527_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${Q527_MINGW_PREFIX}-g++-posix ${Q527_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${Q527_MINGW_PREFIX}-gcc-posix ${Q527_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${Q527_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${Q527_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The test programs run under Wine.
find_program(Q527_WINE NAMES wine)
if(Q527_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${Q527_WINE})
endif()
