# What both MinGW-w64 cross builds share, once the toolchain file has set
# Q527_MINGW_PREFIX: the posix thread model (std::thread and std::mutex need
# it), the target's own libraries and headers, and Wine to run the test
# programs.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_CXX_COMPILER NAMES ${Q527_MINGW_PREFIX}-g++-posix ${Q527_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${Q527_MINGW_PREFIX}-gcc-posix ${Q527_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${Q527_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${Q527_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The test programs run under Wine.
find_program(Q527_WINE NAMES wine)
if(Q527_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${Q527_WINE})
endif()
