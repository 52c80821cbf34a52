# Fails when an engine module does not export every global name of its version script.
# cmake -DMODULE=<file> -DEXPORTS=<map file> -DNM=<nm> -P CheckModuleExports.cmake
file(READ "${EXPORTS}" map)
string(REGEX MATCH "global:([^}]*)local:" globals "${map}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" names "${CMAKE_MATCH_1}")
execute_process(COMMAND "${NM}" -D --defined-only "${MODULE}"
  OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} cannot read ${MODULE}")
endif()
if(NOT names)
  message(FATAL_ERROR "${EXPORTS} names no global symbol")
endif()
foreach(name IN LISTS names)
  if(NOT symbols MATCHES " T ${name}\n")
    message(FATAL_ERROR "${MODULE} does not export ${name}")
  endif()
endforeach()
