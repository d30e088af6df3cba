# Warnings and sanitizers for the project's own targets.
add_library(kivo_options INTERFACE)
target_compile_options(kivo_options INTERFACE -Wall -Wextra)
if(KIVO_SANITIZE)
  target_compile_options(kivo_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(kivo_options INTERFACE -fsanitize=address,undefined)
endif()
add_library(kivo::options ALIAS kivo_options)
