#include "host/win32/preview_handle.h"

#include <cstdint>
#include <limits>

namespace {

using Handle = std::uintptr_t;
static_assert(std::numeric_limits<Handle>::digits <= 64);

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 16;
}

}  // namespace

std::uintptr_t ParsePreviewHandle(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (*p == ' ') ++p;

  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';

  unsigned base = 10;
  if (*p == '$' || *p == 'x' || *p == 'X') {
    base = 16;
    ++p;
  } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }

  // Hexadecimal may use every bit of the handle; a decimal number must fit
  // the signed range, its negative end included.
  constexpr Handle HandleMax = std::numeric_limits<Handle>::max();
  constexpr Handle SignedMax = HandleMax >> 1;
  const Handle limit = base == 16 ? HandleMax : (negative ? SignedMax + 1 : SignedMax);

  if (*p == '\0') return 0;
  Handle value = 0;
  for (; *p != '\0'; ++p) {
    const int digit = DigitValue(*p);
    if (digit >= static_cast<int>(base)) return 0;
    if (value > (limit - static_cast<Handle>(digit)) / base) return 0;
    value = value * base + static_cast<Handle>(digit);
  }
  return negative ? Handle{0} - value : value;
}

std::uintptr_t WindowHandleFromNumber(std::uintptr_t number) {
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(number & 0xFFFFFFFFu));
  return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(low));
}
