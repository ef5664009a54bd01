# Warnings are set per target, never globally, so that third-party code is not held to them.
# -Wnull-dereference is left out: at -O2 it reports paths inside nlohmann/json that cannot happen.
function(kindora_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                           -Wimplicit-fallthrough)
  if(KINDORA_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
