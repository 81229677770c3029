# Packages of the installed folder, made by cpack in the build folder.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
  return()
endif()

# The documents, in the same places as in the sources, so that the links of
# the front page and of its pages work in the installed folder too.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION q527)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION q527/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/bench/README.md DESTINATION q527/bench)
install(FILES "${PROJECT_SOURCE_DIR}/app/win32/はじめにお読みください.txt" DESTINATION q527/app/win32)

# Packages of the installed folder (cpack in the build folder): a .tar.gz of
# the folder q527/, to unpack anywhere, and a .deb that puts it into /opt/q527.
# The licence goes with the programs.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION q527)

set(CPACK_PACKAGE_NAME q527)
set(CPACK_PACKAGE_VENDOR "q527")
set(CPACK_PACKAGE_CONTACT "q527 maintainers <q527@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Draws points at the end points of selected entities (external tool of a CAD program)")
set(CPACK_GENERATOR "TGZ;DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The dialog shows Japanese text.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
find_program(Q527_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(Q527_DPKG_SHLIBDEPS)
  # The Qt 6 libraries the programs link, with their versions, from dpkg.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # Without dpkg-dev the same libraries by name.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6widgets6, libqt6gui6, libqt6core6, libc6, libstdc++6")
  if(TARGET q527-grab)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libx11-6")
  endif()
endif()
# The tool writes JWC_TEMP.TXT and q527.dat beside itself: the first goes
# with the package, the settings with a purge, and so the folder.
set(Q527_DEB_DIR "${PROJECT_BINARY_DIR}/deb")
file(WRITE "${Q527_DEB_DIR}/prerm"
     "#!/bin/sh\nset -e\nrm -f /opt/q527/JWC_TEMP.TXT\n")
file(WRITE "${Q527_DEB_DIR}/postrm"
     "#!/bin/sh\nset -e\nif [ \"$1\" = purge ]; then\n"
     "  rm -f /opt/q527/q527.dat\n  rmdir /opt/q527 2>/dev/null || true\nfi\n")
file(CHMOD "${Q527_DEB_DIR}/prerm" "${Q527_DEB_DIR}/postrm"
     PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${Q527_DEB_DIR}/prerm;${Q527_DEB_DIR}/postrm")
file(WRITE "${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake"
     "if(CPACK_GENERATOR STREQUAL \"TGZ\")\n"
     "  set(CPACK_PACKAGING_INSTALL_PREFIX /)\n"
     "  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)\n"
     "endif()\n")
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake")
include(CPack)
