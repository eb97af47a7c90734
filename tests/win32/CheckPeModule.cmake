# Verifies a PE module's export and import tables.
# -DOBJDUMP=... -DMODULE=... -DEXPORTS=name,name
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${MODULE}")
endif()

# Exported names: lines of the form "[ordinal] name" after "[Ordinal/Name Pointer] Table".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]*\\[[ 0-9]+\\][^\n]*\n)*)" _ "${dump}")
set(table "${CMAKE_MATCH_1}")
# Brackets would confuse CMake's list splitting: drop the ordinals first.
string(REGEX REPLACE "\\[[ 0-9]+\\]" "" table "${table}")
string(REGEX MATCHALL "[A-Za-z_@][A-Za-z_@0-9]*" found "${table}")
list(SORT found)
string(REPLACE "," ";" expected "${EXPORTS}")
list(SORT expected)
if(NOT "${found}" STREQUAL "${expected}")
  message(FATAL_ERROR "${MODULE} exports [${found}], expected [${expected}]")
endif()

# Imported DLLs: only Windows system libraries.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
set(allowed KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll msvcrt.dll)
foreach(dll ${imports})
  string(TOUPPER "${dll}" upper)
  set(ok FALSE)
  foreach(a ${allowed})
    string(TOUPPER "${a}" au)
    if(upper STREQUAL au OR upper MATCHES "^API-MS-WIN-")
      set(ok TRUE)
    endif()
  endforeach()
  if(NOT ok)
    message(FATAL_ERROR "${MODULE} imports ${dll}, which is not a Windows system DLL")
  endif()
endforeach()
message(STATUS "${MODULE}: exports [${found}], imports [${imports}]")
