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

// The length of the character at text[i]: its sequence's, or 1 for a byte
// outside a well-formed sequence; `code` its code point when well-formed.
std::size_t CharacterAt(std::string_view text, std::size_t i, bool& wellFormed, std::uint32_t& code) {
  std::size_t length = 1;
  wellFormed = static_cast<unsigned char>(text[i]) < 0x80 || DecodeUtf8(text, i, code, length);
  if (static_cast<unsigned char>(text[i]) < 0x80) code = static_cast<unsigned char>(text[i]);
  return wellFormed ? length : 1;
}

void AppendHexByte(std::string& escaped, unsigned char byte) {
  escaped += "\\x";
  escaped += Hex[byte >> 4];
  escaped += Hex[byte & 15];
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string escaped;
  for (std::size_t i = 0; i < text.size();) {
    bool wellFormed = false;
    std::uint32_t code = 0;
    const std::size_t length = CharacterAt(text, i, wellFormed, code);
    const std::string_view character = text.substr(i, length);
    i += length;
    if (!wellFormed) {
      AppendHexByte(escaped, static_cast<unsigned char>(character[0]));
    } else if (code >= 0x80) {
      if (!Invisible(code)) {
        escaped += character;
        continue;
      }
      escaped += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) escaped += Hex[(code >> shift) & 15];
    } else if (code >= 0x20 && code != 0x7f && code != '\\') {
      escaped += character;
    } else if (code == '\\') {
      escaped += "\\\\";
    } else if (code >= 7 && code <= 13) {
      escaped += '\\';
      escaped += "abtnvfr"[code - 7];  // C's names for 7 to 13
    } else {
      AppendHexByte(escaped, static_cast<unsigned char>(code));
    }
  }
  return escaped;
}

std::size_t CharacterCut(std::string_view text, std::size_t most) {
  std::size_t cut = 0;
  while (cut < text.size()) {
    bool wellFormed = false;
    std::uint32_t code = 0;
    const std::size_t length = CharacterAt(text, cut, wellFormed, code);
    if (cut + length > most) break;
    cut += length;
  }
  return cut;
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += EscapeControls(text);
  quoted += '"';
  return quoted;
}
