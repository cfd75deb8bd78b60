// Whole numbers as every command line and the web page's URL read them, so
// that all take exactly the same texts.
#pragma once

#include <limits>
#include <string_view>

// A whole number written in digits only (of base 10, or 16 with the letters
// a to f in either case): no sign, no space, no prefix, no overflow of T.
template <typename T>
bool ParseWhole(std::string_view text, T& value, unsigned base = 10) {
  if (text.empty()) return false;
  unsigned long long whole = 0;
  for (const char c : text) {
    unsigned digit = base;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    if (digit >= base) return false;
    if (whole > (std::numeric_limits<unsigned long long>::max() - digit) / base) return false;
    whole = whole * base + digit;
  }
  if (whole > static_cast<unsigned long long>(std::numeric_limits<T>::max())) return false;
  value = static_cast<T>(whole);
  return true;
}
