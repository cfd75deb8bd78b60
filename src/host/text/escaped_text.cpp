#include "host/text/escaped_text.h"

#include <cstdint>

namespace {

constexpr char Hex[] = "0123456789abcdef";

// Characters that show nothing or turn the text around them, which an echoed
// value could use to make a message read other than it is: the C1 controls,
// the soft hyphen, the Arabic letter mark, the Mongolian vowel separator,
// the zero-width spaces and joiners, the direction marks, embeddings,
// overrides and isolates, the line and paragraph separators, the invisible
// operators, the deprecated format characters and the byte-order mark.
bool Invisible(std::uint32_t c) {
  return (c >= 0x80 && c <= 0x9f) || c == 0xad || c == 0x61c || c == 0x180e || (c >= 0x200b && c <= 0x200f) ||
         (c >= 0x2028 && c <= 0x202e) || (c >= 0x2060 && c <= 0x206f) || c == 0xfeff;
}

// The code point of the well-formed UTF-8 sequence at text[i] (of 2 to 4
// bytes, its length in `length`), or false.
bool DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& c, std::size_t& length) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = byte(0);
  length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : 2;
  if (lead < 0xc2 || lead > 0xf4 || i + length > text.size()) return false;
  c = lead & (0x7f >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xc0) != 0x80) return false;
    c = c << 6 | (byte(k) & 0x3f);
  }
  const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  return c >= least[length] && c <= 0x10ffff && (c < 0xd800 || c > 0xdfff);
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string escaped;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    std::uint32_t code = 0;
    std::size_t length = 0;
    if (byte >= 0x80) {
      if (DecodeUtf8(text, i, code, length) && Invisible(code)) {
        escaped += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) escaped += Hex[(code >> shift) & 15];
        i += length - 1;
        continue;
      }
      escaped += c;
      continue;
    }
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
      escaped += 'x';
      escaped += Hex[byte >> 4];
      escaped += Hex[byte & 15];
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
