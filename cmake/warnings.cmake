# Warnings are errors on every build.
function(ordax_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -pedantic -Werror)
endfunction()
