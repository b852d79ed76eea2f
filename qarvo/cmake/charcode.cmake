# Character-code conversion (UTF-8, UTF-16, the CP932 code page, JIS, EUC) and the escaping
# built on it (markup, URLs, file names, base64, quoted-printable, CRC-16).
add_library(qarvo_charcode STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/charcode/utf8_utf16.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/charcode/codepage_convert.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/charcode/char_code.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/charcode/jis_euc.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/charset_text.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/markup.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/url.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/winname.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/base64.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/quoted_printable.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/crc16.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/escape/json.cpp
)
target_link_libraries(qarvo_charcode PUBLIC qarvo_text)
target_link_libraries(qarvo INTERFACE qarvo_charcode)
