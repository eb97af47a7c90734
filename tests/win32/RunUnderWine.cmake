# Runs a Windows program through the emulator and checks its exit status and
# its output (stdout and stderr together) against regular expressions.
# -DEMULATOR=... -DPROGRAM=... -DARGS=a;b;c -DEXIT=n -DMATCH=re1;re2
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(output "${out}${err}")
if(NOT status EQUAL EXIT)
  message(FATAL_ERROR "exit status ${status}, expected ${EXIT}:\n${output}")
endif()
foreach(expression IN LISTS MATCH)
  if(NOT output MATCHES "${expression}")
    message(FATAL_ERROR "output does not match \"${expression}\":\n${output}")
  endif()
endforeach()
