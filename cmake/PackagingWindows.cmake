# The archive the host's users unpack: q527-VERSION-win32.zip holding the
# folder q527/ with the program, the launcher the host runs, the readme in
# Japanese, the notice, the licence and the notices of the run-time linked
# into the program (-win64 from the 64-bit build, which is only tested). The
# program needs no DLL beside it.
set(Q527_WIN32_DIR ${PROJECT_SOURCE_DIR}/app/win32)
set(Q527_SHIP_DIR ${PROJECT_BINARY_DIR}/ship)

# The texts carry project()'s version, with CR LF line ends for Windows'
# Notepad; the readme stays Shift-JIS byte for byte (no "@" of a Shift-JIS
# character stands between two others).
configure_file(${Q527_WIN32_DIR}/NOTICE.txt ${Q527_SHIP_DIR}/NOTICE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file("${Q527_WIN32_DIR}/はじめにお読みください.txt"
               "${Q527_SHIP_DIR}/はじめにお読みください.txt" @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${Q527_SHIP_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)

# The MinGW-w64 run-time and winpthreads are linked into q527.exe, and their
# licences ask for their notices beside it: the text the installed
# toolchain's package gives (Debian's copyright file of the MinGW-w64
# package; on MSYS2 the licence files of its crt and winpthreads packages).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(Q527_MINGW_PACKAGE mingw-w64-x86-64-dev)
else()
  set(Q527_MINGW_PACKAGE mingw-w64-i686-dev)
endif()
get_filename_component(Q527_COMPILER_PREFIX "${CMAKE_CXX_COMPILER}" DIRECTORY)
get_filename_component(Q527_COMPILER_PREFIX "${Q527_COMPILER_PREFIX}" DIRECTORY)
file(GLOB Q527_MSYS2_NOTICES
     "${Q527_COMPILER_PREFIX}/share/licenses/*crt*/*"
     "${Q527_COMPILER_PREFIX}/share/licenses/*winpthreads*/*")
if(EXISTS /usr/share/doc/${Q527_MINGW_PACKAGE}/copyright)
  set(Q527_DEFAULT_NOTICES /usr/share/doc/${Q527_MINGW_PACKAGE}/copyright)
else()
  set(Q527_DEFAULT_NOTICES "${Q527_MSYS2_NOTICES}")
endif()
set(Q527_RUNTIME_NOTICES "${Q527_DEFAULT_NOTICES}" CACHE STRING
    "The licence texts of the MinGW-w64 run-time and winpthreads (files, ;-separated)")
if(NOT Q527_RUNTIME_NOTICES)
  message(FATAL_ERROR "No licence text of the MinGW-w64 run-time found: set Q527_RUNTIME_NOTICES")
endif()
set(Q527_NOTICES_TEXT "")
foreach(notice IN LISTS Q527_RUNTIME_NOTICES)
  file(READ "${notice}" text)
  string(APPEND Q527_NOTICES_TEXT "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${notice}")
endforeach()
string(REPLACE "\r\n" "\n" Q527_NOTICES_TEXT "${Q527_NOTICES_TEXT}")
string(REPLACE "\n" "\r\n" Q527_NOTICES_TEXT "${Q527_NOTICES_TEXT}")
file(WRITE ${Q527_SHIP_DIR}/mingw-w64.txt "${Q527_NOTICES_TEXT}")

install(FILES ${Q527_WIN32_DIR}/q527.bat
              "${Q527_SHIP_DIR}/はじめにお読みください.txt"
              ${Q527_SHIP_DIR}/NOTICE.txt
              ${Q527_SHIP_DIR}/LICENSE.txt
        DESTINATION q527)
install(FILES ${Q527_SHIP_DIR}/mingw-w64.txt DESTINATION q527/licenses)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(Q527_ZIP_NAME "q527-${PROJECT_VERSION}-win64")
else()
  set(Q527_ZIP_NAME "q527-${PROJECT_VERSION}-win32")
endif()

# cmake --build BUILD --target zip: BUILD/q527-VERSION-win32.zip, the same
# bytes from the same commit whatever the folder, the time, the time zone or
# the umask, with SHA256SUMS, the list of the files inside it and
# BUILDINFO.txt beside it (cmake/pack_zip.py).
find_package(Python3 3.6 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_custom_target(zip
    COMMAND "${Python3_EXECUTABLE}" "${PROJECT_SOURCE_DIR}/cmake/pack_zip.py"
            --build-dir "${PROJECT_BINARY_DIR}" --source-dir "${PROJECT_SOURCE_DIR}"
            --name "${Q527_ZIP_NAME}" --cmake "${CMAKE_COMMAND}" --compiler "${CMAKE_CXX_COMPILER}"
    DEPENDS q527
    VERBATIM)
endif()
