# Shared compile settings and the helpers that declare the layered targets.

add_library(quirels_options INTERFACE)
target_compile_definitions(quirels_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER
  QT_NO_URL_CAST_FROM_STRING QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH)
target_compile_options(quirels_options INTERFACE -Wall -Wextra -Wpedantic
  -Wno-missing-field-initializers)
if(QUIRELS_WERROR)
  target_compile_options(quirels_options INTERFACE -Werror)
endif()

# A core library: Qt Core, Qt Sql and zlib only. The forbid folder comes first
# on the include path, so any Qt Gui or Qt Widgets header pulled in by a core
# file stops the build with an #error.
function(quirels_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/forbid)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC quirels_options Qt6::Core ${ARG_LINK})
  foreach(dep ${ARG_LINK})
    if(dep MATCHES "Qt6::(Gui|Widgets|PrintSupport)")
      message(FATAL_ERROR "core library ${name} must not link ${dep}")
    endif()
  endforeach()
endfunction()

# A user-interface library: may use Qt Widgets.
function(quirels_ui_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC quirels_options Qt6::Core Qt6::Gui Qt6::Widgets ${ARG_LINK})
endfunction()

# The include rule between the layers. For each target a folder of stand-in
# headers, one per header of FOLDERS (folders under src), comes first on its
# include path: an #include of one of them finds the stand-in, whose #error
# names the rule, and the compiler names the file and line that included it.
function(quirels_forbid_includes target)
  cmake_parse_arguments(ARG "" "" "FOLDERS" ${ARGN})
  set(dir ${PROJECT_BINARY_DIR}/forbidden-includes/${target})
  file(REMOVE_RECURSE ${dir})
  foreach(folder ${ARG_FOLDERS})
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/src
         ${PROJECT_SOURCE_DIR}/src/${folder}/*.h)
    foreach(h ${headers})
      file(WRITE ${dir}/${h}
           "#error \"${target} may not include ${h}: the layers only include downward (see ARCHITECTURE.md)\"\n")
    endforeach()
  endforeach()
  target_include_directories(${target} BEFORE PRIVATE ${dir})
endfunction()

# One test executable per subsystem folder, registered with CTest.
# UI tests run on the offscreen platform.
function(quirels_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quirels_test_main ${ARG_LINK})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 600)
endfunction()
