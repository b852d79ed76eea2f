#pragma once
// Percent encoding of URLs in four flavours. A percent escape is "%" and the byte in two
// upper-case hexadecimal digits.
//
//   _url_encode_a          keeps 0-9 A-Z a-z @ ~ - . _ ; space is "+" (raw 0) or "%20"
//   _url_encode_rfc2396_a  keeps 0-9 A-Z a-z - _ . ! ~ * ' ( ) ; space is "%20"
//   _encodeURI             keeps 0-9 A-Z a-z ! # $ & ' ( ) * + , - . / : ; = ? @ _ ~
//   _encodeURIComponent    the same set as _url_encode_rfc2396_a
//
// The wide forms go through the system code page: wide text is percent-encoded as its
// Shift_JIS (CP932) bytes, not as UTF-8, and decoded bytes are read as CP932.

#include "qarvo/text/string.h"

namespace qarvo::common::System {

C_String _url_encode_a(const C_String& text, const int& raw);
C_String _url_encode_rfc2396_a(const C_String& text);
C_String _encodeURI(const C_String& text);
C_String _encodeURIComponent(const C_String& text);
// "+" becomes a space and "%" with two hexadecimal digits (either case) the byte they spell.
// A "%" not followed by two hexadecimal digits is copied as it is.
C_String _url_decode_a(const C_String& text);

C_WString _url_encode_w(const C_WString& text, const int& raw);
C_WString _url_decode_w(const C_WString& text);
C_WString _url_encode_rfc2396_w(const C_WString& text);
C_WString url_encode(const C_WString& text);          // raw 0
C_WString url_rawencode(const C_WString& text);       // raw 1
C_WString url_encode_rfc2396(const C_WString& text);
C_WString url_decode(const C_WString& text);

}  // namespace qarvo::common::System
