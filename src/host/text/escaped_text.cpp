#include "host/text/escaped_text.h"

std::string EscapeControls(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f && c != '\\') {
      escaped += c;
      continue;
    }
    escaped += '\\';
    if (c == '\\') {
      escaped += c;
    } else if (byte >= 7 && byte <= 13) {
      escaped += "abtnvfr"[byte - 7];  // C's names for 7 to 13
    } else {
      static const char hex[] = "0123456789abcdef";
      escaped += 'x';
      escaped += hex[byte >> 4];
      escaped += hex[byte & 15];
    }
  }
  return escaped;
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += EscapeControls(text);
  quoted += '"';
  return quoted;
}
