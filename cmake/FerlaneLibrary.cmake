# ferlane_library(NAME [SOURCES file...] [POSIX file...] [WINDOWS file...])
#
# One of the tool's libraries: the sources every platform compiles, and those of
# the platform being built for (POSIX covers Linux and WebAssembly alike). Its users
# include its headers as "library/header.h", from src/. A library with nothing to
# compile on this platform is a header-only INTERFACE library, so that its users
# link it the same way everywhere.
function(ferlane_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;POSIX;WINDOWS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "ferlane_library(${name}): unexpected ${arg_UNPARSED_ARGUMENTS}")
  endif()
  set(sources ${arg_SOURCES})
  if(WIN32)
    list(APPEND sources ${arg_WINDOWS})
  else()
    list(APPEND sources ${arg_POSIX})
  endif()
  if(sources)
    add_library(${name} ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
  endif()
endfunction()
