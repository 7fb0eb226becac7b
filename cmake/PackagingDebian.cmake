# The Linux install and the Debian package. The executable lives in its own
# directory, where it looks for Ferlane.ini; that name is a link to the
# configuration under /etc, and the command on PATH is a link to the executable:
#
#   <prefix>/bin/ferlane               -> ../lib/ferlane/ferlane
#   <prefix>/lib/ferlane/ferlane          the program
#   <prefix>/lib/ferlane/Ferlane.ini   -> <sysconfdir>/ferlane/Ferlane.ini
#   <sysconfdir>/ferlane/Ferlane.ini      every name DEFAULT: changes nothing until edited
set(program_dir lib/ferlane)
set(configuration ${CMAKE_INSTALL_FULL_SYSCONFDIR}/ferlane/Ferlane.ini)
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/ferlane)
set(generated ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS ferlane RUNTIME DESTINATION ${program_dir})
install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  file(MAKE_DIRECTORY \"\${root}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK ../${program_dir}/ferlane \"\${root}/${CMAKE_INSTALL_BINDIR}/ferlane\" SYMBOLIC)
  file(CREATE_LINK ${configuration} \"\${root}/${program_dir}/Ferlane.ini\" SYMBOLIC)
  # A configuration the user has edited is never replaced by a later install.
  # (file(INSTALL) puts DESTDIR in front of the destination by itself.)
  if(NOT EXISTS \"\$ENV{DESTDIR}${configuration}\")
    file(INSTALL ${PROJECT_SOURCE_DIR}/packaging/Ferlane.ini DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/ferlane)
  endif()
")

# The manual page, compressed when CMake runs so that every install has it.
configure_file(${PROJECT_SOURCE_DIR}/docs/ferlane.1.in ${PROJECT_BINARY_DIR}/ferlane.1 @ONLY)
find_program(GZIP_PROGRAM gzip REQUIRED)
execute_process(COMMAND ${GZIP_PROGRAM} -9 -n -c ${PROJECT_BINARY_DIR}/ferlane.1
                OUTPUT_FILE ${PROJECT_BINARY_DIR}/ferlane.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/ferlane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's changelog: the newest entry of CHANGELOG.md in Debian's format, dated
# by the commit (SOURCE_DATE_EPOCH) so that every build of it is the same.
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog)
string(REGEX MATCH "\n## [^\n]*\n(.*)" newest "${changelog}")
set(newest "${CMAKE_MATCH_1}")
string(FIND "${newest}" "\n## " next)
if(next GREATER -1)
  string(SUBSTRING "${newest}" 0 ${next} newest)
endif()
string(STRIP "${newest}" newest)
string(REGEX REPLACE "\n- " "\n  * " newest "\n${newest}")
string(REGEX REPLACE "\n  ([^ *\n])" "\n    \\1" newest "${newest}")
string(REGEX REPLACE "\n([^ \n])" "\n  \\1" newest "${newest}")
string(REGEX REPLACE "^\n+" "" newest "${newest}")
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${generated}/changelog
  "ferlane (${PROJECT_VERSION}) unstable; urgency=medium\n\n${newest}\n\n"
  " -- ${CPACK_PACKAGE_CONTACT}  ${changelog_date}\n")
execute_process(COMMAND ${GZIP_PROGRAM} -9 -n -c ${generated}/changelog OUTPUT_FILE ${generated}/changelog.gz)
# The page, for any browser on the machine: file:///usr/share/ferlane/web/index.html.
set(FERLANE_WEB_COPYRIGHT "")
if(FERLANE_WEB_PAGE)
  install(FILES ${FERLANE_WEB_PAGE} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/ferlane/web RENAME index.html)
  file(READ ${PROJECT_SOURCE_DIR}/packaging/debian/copyright-web.in FERLANE_WEB_COPYRIGHT)
  string(CONFIGURE "${FERLANE_WEB_COPYRIGHT}" FERLANE_WEB_COPYRIGHT @ONLY)
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in ${generated}/copyright @ONLY)
install(FILES ${generated}/changelog.gz ${generated}/copyright DESTINATION ${doc_dir})

file(WRITE ${generated}/conffiles "${configuration}\n")

set(CPACK_GENERATOR DEB)
# Installed through DESTDIR, so that the file under /etc lands in the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${FERLANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${generated}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the synopsis; this is the extended description below it.
set(CPACK_PACKAGE_DESCRIPTION "Ferlane reads four BMP photographs of one scene taken with a fixed camera:
two plain backgrounds alone, and a subject in front of each. It writes the
subject's alpha matte, a calculation-error map and the foreground colours
as 24-bit BMP files.")
