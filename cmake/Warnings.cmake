# Warnings that catch real faults in this code base; missing declarations
# among them, so that a native method whose definition no longer matches its
# generated declaration fails the build.
function(rireve_strict_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Werror=missing-declarations -Werror=return-type -Werror)
endfunction()
