# PELMORA_FUZZ=ON builds the fuzz targets of fuzz/ as libFuzzer programs (clang only): the
# whole build is instrumented for coverage and runs under AddressSanitizer and
# UndefinedBehaviorSanitizer. Without it the targets are replay programs registered with CTest.
if(PELMORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "PELMORA_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++-14)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
