# The Windows zip: ferlane.exe with what a Windows user needs beside it, every
# text in Windows line ends so that Notepad shows it as written.
#
#   ferlane-<version>-win64/ferlane.exe
#   ferlane-<version>-win64/README.txt
#   ferlane-<version>-win64/Ferlane.example.ini   named so that it is never read as is
#   ferlane-<version>-win64/Ferlane.html, Ferlane.html-NOTICES.txt   the browser page
#   ferlane-<version>-win64/LICENSE.txt
#   ferlane-<version>-win64/THIRD-PARTY-NOTICES.txt
#   ferlane-<version>-win64/licenses/MPL-2.0.txt, GPL-3.0.txt
set(generated ${PROJECT_BINARY_DIR}/packaging)

# A text file with Windows line ends; CONFIGURE fills in @VARIABLES@ first.
function(ferlane_windows_text source destination)
  file(READ ${source} text)
  if(ARGN STREQUAL "CONFIGURE")
    string(CONFIGURE "${text}" text @ONLY)
  endif()
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${destination} "${text}")
endfunction()

ferlane_windows_text(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in ${generated}/README.txt CONFIGURE)
ferlane_windows_text(${PROJECT_SOURCE_DIR}/packaging/windows/THIRD-PARTY-NOTICES.txt.in
                     ${generated}/THIRD-PARTY-NOTICES.txt CONFIGURE)
ferlane_windows_text(${PROJECT_SOURCE_DIR}/packaging/Ferlane.ini ${generated}/Ferlane.example.ini)
ferlane_windows_text(${PROJECT_SOURCE_DIR}/LICENSE ${generated}/LICENSE.txt)
# The full licence texts the notices refer to, as every Debian system has them.
foreach(licence MPL-2.0 GPL-3)
  set(text /usr/share/common-licenses/${licence})
  if(NOT EXISTS ${text})
    message(FATAL_ERROR "${text} is missing: the Windows zip must carry it")
  endif()
  string(REPLACE "GPL-3" "GPL-3.0" name ${licence})
  ferlane_windows_text(${text} ${generated}/licenses/${name}.txt)
endforeach()

# The page beside the program, for camera pictures, with the notices of what is
# compiled into it.
if(FERLANE_WEB_PAGE)
  ferlane_windows_text(${PROJECT_BINARY_DIR}/packaging/web/THIRD-PARTY-NOTICES.txt
                       ${generated}/Ferlane.html-NOTICES.txt)
  install(FILES ${FERLANE_WEB_PAGE} DESTINATION . RENAME Ferlane.html)
  install(FILES ${generated}/Ferlane.html-NOTICES.txt DESTINATION .)
endif()

install(TARGETS ferlane RUNTIME DESTINATION .)
install(FILES ${generated}/README.txt ${generated}/Ferlane.example.ini ${generated}/LICENSE.txt
              ${generated}/THIRD-PARTY-NOTICES.txt DESTINATION .)
install(DIRECTORY ${generated}/licenses DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ferlane-${PROJECT_VERSION}-win64)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/ReproducibleZip.cmake)
