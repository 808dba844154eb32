# Fails when quirels-cli (which links only the core) pulls in Qt Gui or Widgets.
execute_process(COMMAND ldd ${BINARY_DIR}/bin/quirels-cli OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ldd failed on quirels-cli")
endif()
if(out MATCHES "libQt6(Gui|Widgets)")
  message(FATAL_ERROR "quirels-cli links Qt Gui or Widgets:\n${out}")
endif()
message(STATUS "quirels-cli links only Qt Core and Qt Sql")
