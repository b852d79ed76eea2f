# Strings, buffers, arrays, integers, shared pointers; the 8-bit code page (CP932) conversion
# and the large memory blocks they need live in the platform layer.
add_library(qarvo_text STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/text/string_format.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/text/string.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/text/integer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/text/string_array.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/codepage.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/memory_block.cpp
)
target_link_libraries(qarvo_text PUBLIC Threads::Threads)
target_link_libraries(qarvo INTERFACE qarvo_text)
