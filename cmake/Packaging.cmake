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

# The browser page, built beforehand by tools/build-web.sh, goes into both packages
# when named here (tools/release.sh always does), with the notices its compiled-in
# runtime asks for.
set(FERLANE_WEB_PAGE "" CACHE FILEPATH "The built browser page to package (build-web/site/index.html)")
if(FERLANE_WEB_PAGE)
  if(NOT EXISTS ${FERLANE_WEB_PAGE})
    message(FATAL_ERROR "FERLANE_WEB_PAGE names ${FERLANE_WEB_PAGE}, which does not exist")
  endif()
  execute_process(COMMAND dpkg-query -W "-f=\${Version}" emscripten
                  OUTPUT_VARIABLE FERLANE_EMSCRIPTEN_VERSION COMMAND_ERROR_IS_FATAL ANY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/web/THIRD-PARTY-NOTICES.txt.in
                 ${PROJECT_BINARY_DIR}/packaging/web/THIRD-PARTY-NOTICES.txt @ONLY)
endif()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingDebian.cmake)
endif()
include(CPack)
