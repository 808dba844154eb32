# The include rule holds for includes written from src/ ("entry/Annex.h") or
# beside the including file ("Annex.h"). An include that climbs out of its
# folder ("../") would pass by the rule's stand-in headers, so none may.
file(GLOB_RECURSE files ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(found "")
foreach(f ${files})
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]*\\.\\./")
  foreach(line ${lines})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    string(APPEND found "\n  ${rel}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "includes that climb out of their folder:${found}")
endif()
