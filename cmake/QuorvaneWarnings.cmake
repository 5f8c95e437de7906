# Warnings are errors on the project's own targets.
function(quorvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
