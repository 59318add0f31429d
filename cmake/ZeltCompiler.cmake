# Warnings and sanitizers shared by every target.
add_compile_options(-Wall -Wextra)

if(ZELT_SANITIZE)
  string(REPLACE "," ";" _zelt_sanitizers "${ZELT_SANITIZE}")
  foreach(_s IN LISTS _zelt_sanitizers)
    add_compile_options(-fsanitize=${_s})
    add_link_options(-fsanitize=${_s})
  endforeach()
  add_compile_options(-fno-omit-frame-pointer -fno-sanitize-recover=undefined)
endif()
