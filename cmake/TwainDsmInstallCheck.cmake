# Checks the twain-dsm component: installed into PREFIX, KORVEX32.ds and
# wnaspi32.so are regular files (not links), equal to the built ones BUILT_DS
# and BUILT_ASPI. Run with cmake -P by the test twain_dsm_install.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --component twain-dsm
                        --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install --component twain-dsm failed: ${result}")
endif()
foreach(pair "KORVEX32.ds|${BUILT_DS}" "wnaspi32.so|${BUILT_ASPI}")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 built)
  set(installed ${PREFIX}/${DS_DIR}/${name})
  if(NOT EXISTS ${installed} OR IS_SYMLINK ${installed} OR IS_DIRECTORY ${installed})
    message(FATAL_ERROR "${installed} is not a regular file")
  endif()
  file(SHA256 ${installed} installedHash)
  file(SHA256 ${built} builtHash)
  if(NOT installedHash STREQUAL builtHash)
    message(FATAL_ERROR "${installed} differs from ${built}")
  endif()
endforeach()
