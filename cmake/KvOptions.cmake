# Compiler options shared by every target of the suite.
add_library(kv_options INTERFACE)
target_compile_options(kv_options INTERFACE -Wall -Wextra
  $<$<BOOL:${KV_WERROR}>:-Werror>)

if(KV_SANITIZE)
  set(kv_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${kv_san})
  add_link_options(-fsanitize=address,undefined)
  # The instrumentation makes GCC see uninitialised paths in library templates that are not there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()

if(KV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KV_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # Libraries get coverage instrumentation; only the fuzz targets link the fuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
