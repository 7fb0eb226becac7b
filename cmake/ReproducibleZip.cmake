# Run by CPack once the zip exists: rewritten in a fixed member order, with the
# commit's time and no owners, it comes out the same on every machine.
find_program(PYTHON3 python3 REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/../tools/reproducible_zip.py ${package}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
