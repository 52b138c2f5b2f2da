# Every target of the project builds with the same warnings; they are errors
# when ORDAX_WERROR is on (scripts/test), so a user's plain build never fails
# on a warning a newer or older compiler invents.
function(ordax_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -pedantic)
  if(ORDAX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
