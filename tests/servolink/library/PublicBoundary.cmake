# cmake -DCOMPILER=<c++> -DINCLUDES=<dir|dir|...> -DLIBRARY_DIR=<servolink> -DWORK_DIR=<dir>
#       -P PublicBoundary.cmake
# Compiles one-line programs with the include folders of one user of the link library: each
# header of the public folder must compile on its own, and every other header of the library
# must not be found at all.
string(REPLACE "|" ";" includes "${INCLUDES}")
set(flags -std=c++20 -fsyntax-only)
foreach(dir IN LISTS includes)
  list(APPEND flags "-I${dir}")
endforeach()
file(MAKE_DIRECTORY ${WORK_DIR})

# Compiles `#include "<header>"` and sets ok (TRUE when it compiled) and output.
function(probe header)
  string(MAKE_C_IDENTIFIER "${header}" name)
  set(source ${WORK_DIR}/${name}.cpp)
  file(WRITE ${source} "#include \"${header}\"\n")
  execute_process(COMMAND ${COMPILER} ${flags} ${source}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(result EQUAL 0)
    set(ok TRUE PARENT_SCOPE)
  else()
    set(ok FALSE PARENT_SCOPE)
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(failures "")
file(GLOB_RECURSE public RELATIVE ${LIBRARY_DIR}/include ${LIBRARY_DIR}/include/*.h)
foreach(header IN LISTS public)
  probe(${header})
  if(NOT ok)
    string(APPEND failures "public header ${header} does not compile alone:\n${output}\n")
  endif()
endforeach()

file(GLOB_RECURSE internal RELATIVE ${LIBRARY_DIR} ${LIBRARY_DIR}/*.h)
list(FILTER internal EXCLUDE REGEX "^include/")
foreach(header IN LISTS internal)
  probe(${header})
  if(ok OR NOT output MATCHES "No such file")
    string(APPEND failures "internal header ${header} is reachable:\n${output}\n")
  endif()
endforeach()

list(LENGTH public publicCount)
list(LENGTH internal internalCount)
if(publicCount EQUAL 0 OR internalCount EQUAL 0)
  string(APPEND failures "no headers found under ${LIBRARY_DIR}\n")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${publicCount} public headers compile, ${internalCount} internal ones are out of reach")
