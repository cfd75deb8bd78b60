// Reading the host's preview window handle from command-line argument 2.
#pragma once

#include <cstdint>

// The text as one whole signed integer, read the way the runtime reads integer
// text: leading blanks, an optional sign, then decimal digits, or hexadecimal
// digits after a leading '$', 'x' or "0x" (either case). Anything else in the
// text, no digits at all, a null or empty text, or a number that does not fit
// in a pointer-sized integer gives 0, the null handle. A negative number is
// the handle's two's-complement bit pattern.
std::uintptr_t ParsePreviewHandle(const char* text);

// The window handle that 64-bit Windows makes of a number: a window handle has
// 32 significant bits, so only the number's low 32 bits count, sign-extended
// to the pointer's width. A number whose low 32 bits are 0 gives the null
// handle however large it is.
std::uintptr_t WindowHandleFromNumber(std::uintptr_t number);
