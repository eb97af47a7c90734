# Warnings are errors in the project's own code, in every preset.
function(korvex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                         -Wno-sign-conversion -Werror)
endfunction()

# The data source is built without exceptions and RTTI.
function(korvex_source_options target)
  korvex_warnings(${target})
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
endfunction()
