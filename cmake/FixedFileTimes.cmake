# Run by CPack after it has laid out the package's files and before it archives
# them: every file takes the time of the commit (SOURCE_DATE_EPOCH), so that the
# archive does not record when it happened to be built.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  return()
endif()
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(APPEND staged "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
foreach(path IN LISTS staged)
  execute_process(COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" "${path}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
