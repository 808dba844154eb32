# The program's version: the project's own (project(... VERSION)), followed
# by where it stands in git when built from a clone ("0.1.0+g1a2b3c4", or
# "0.1.0+5.g1a2b3c4" five commits after a tag). The string is a valid Debian
# version and is what --version, the about box and the package show.
set(QUIRELS_VERSION ${PROJECT_VERSION})
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --always --abbrev=7
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE _describe OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _result ERROR_QUIET)
  if(_result EQUAL 0)
    if(_describe MATCHES "-([0-9]+)-g([0-9a-f]+)$")
      set(QUIRELS_VERSION "${PROJECT_VERSION}+${CMAKE_MATCH_1}.g${CMAKE_MATCH_2}")
    elseif(_describe MATCHES "^[0-9a-f]+$")
      set(QUIRELS_VERSION "${PROJECT_VERSION}+g${_describe}")
    endif()
  endif()
  # A new commit configures again, so that the version follows it.
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/.git)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/.git/HEAD)
  endif()
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/Version.cpp.in ${PROJECT_BINARY_DIR}/generated/Version.cpp @ONLY)
