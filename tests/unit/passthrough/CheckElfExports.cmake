# Fails unless the shared object MODULE exports exactly the symbols named in
# EXPORTS (comma-separated), as nm -D lists its defined dynamic symbols.
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
                OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} cannot read ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(found)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] +" "" name "${line}")
  list(APPEND found ${name})
endforeach()
string(REPLACE "," ";" wanted "${EXPORTS}")
list(SORT found)
list(SORT wanted)
if(NOT found STREQUAL wanted)
  message(FATAL_ERROR "${MODULE} exports [${found}], not [${wanted}]")
endif()
