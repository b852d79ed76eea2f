add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports std::basic_string::insert as overlapping memcpy (a known false positive).
  add_compile_options(-Wno-restrict)
endif()
