# Installation (the executable and its manual page) and the Debian package.
# The version everywhere comes from the project() call in the top-level CMakeLists.txt.
include(GNUInstallDirs)

configure_file(${PROJECT_SOURCE_DIR}/docs/ferlane.1.in ${PROJECT_BINARY_DIR}/ferlane.1 @ONLY)
# Compressed when CMake runs, so the page is there for any install, whatever was built.
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM)
  execute_process(COMMAND ${GZIP_PROGRAM} -9 -n -c ${PROJECT_BINARY_DIR}/ferlane.1
                  OUTPUT_FILE ${PROJECT_BINARY_DIR}/ferlane.1.gz)
  set(manual_page ${PROJECT_BINARY_DIR}/ferlane.1.gz)
else()
  set(manual_page ${PROJECT_BINARY_DIR}/ferlane.1)
endif()

install(TARGETS ferlane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${manual_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME ferlane)
set(CPACK_PACKAGE_VENDOR "Ferlane")
set(CPACK_PACKAGE_CONTACT "Ferlane developers <ferlane@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-background matting from four photographs")
set(CPACK_PACKAGE_DESCRIPTION
  "Ferlane reads four BMP photographs of one scene taken with a fixed camera (two plain
backgrounds alone, and a subject in front of each) and writes the subject's alpha
matte, a calculation-error map and the foreground colours as 24-bit BMP files.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ferlane.invalid/")
include(CPack)
