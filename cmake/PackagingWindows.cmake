# The archive the host's users unpack: q527-VERSION-win32.zip holding the
# folder q527/ with the program, the launcher the host runs, the readme in
# Japanese and the notice (-win64 from the 64-bit build, which is only
# tested). The program needs no DLL beside it.
set(Q527_WIN32_DIR ${PROJECT_SOURCE_DIR}/app/win32)
install(FILES ${Q527_WIN32_DIR}/q527.bat
              "${Q527_WIN32_DIR}/はじめにお読みください.txt"
              ${Q527_WIN32_DIR}/NOTICE.txt
        DESTINATION q527)

set(CPACK_PACKAGE_NAME q527)
set(CPACK_PACKAGE_VENDOR "q527")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Draws points at the end points of selected entities (external tool of a CAD program)")
set(CPACK_GENERATOR ZIP)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_PACKAGE_FILE_NAME "q527-${PROJECT_VERSION}-win64")
else()
  set(CPACK_PACKAGE_FILE_NAME "q527-${PROJECT_VERSION}-win32")
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
