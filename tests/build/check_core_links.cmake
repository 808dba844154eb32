# Fails when quirels-cli (which links only the core) pulls in Qt Widgets or
# Print Support; Qt Gui comes only with the report engine, for PDF output.
execute_process(COMMAND ldd ${BINARY_DIR}/bin/quirels-cli OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ldd failed on quirels-cli")
endif()
if(out MATCHES "libQt6(Widgets|PrintSupport)")
  message(FATAL_ERROR "quirels-cli links Qt Widgets or Print Support:\n${out}")
endif()
message(STATUS "quirels-cli links neither Qt Widgets nor Print Support")
