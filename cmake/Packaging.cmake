# Installation and the release packages: a Debian package from the Linux build,
# a zip file from the Windows build. Everything version-bearing comes from the
# project() call in the top-level CMakeLists.txt.
include(GNUInstallDirs)

set(FERLANE_HOMEPAGE "https://ferlane.invalid/")
set(CPACK_PACKAGE_NAME ferlane)
set(CPACK_PACKAGE_VENDOR "The Ferlane developers")
set(CPACK_PACKAGE_CONTACT "Ferlane developers <ferlane@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-background matting from four photographs")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/;/build[^/]*/;/dist/;/out/")

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingDebian.cmake)
endif()
include(CPack)
