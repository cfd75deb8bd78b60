// Whole numbers and per-frame steps as the renderer's command line and the
// web page's URL read them, so that both take exactly the same texts.
#pragma once

#include <limits>
#include <string_view>

// A whole number written in digits only: no sign, no space, no overflow.
template <typename T>
bool ParseWhole(std::string_view text, T& value) {
  if (text.empty() || text.size() > 20) return false;
  unsigned long long whole = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (whole > (std::numeric_limits<unsigned long long>::max() - digit) / 10) return false;
    whole = whole * 10 + digit;
  }
  if (whole > static_cast<unsigned long long>(std::numeric_limits<T>::max())) return false;
  value = static_cast<T>(whole);
  return true;
}

// Seconds to the millisecond ("2", "0.04", "1.5", and zeros beyond the third
// decimal) or a fraction of whole numbers ("1/30"), as milliseconds over a
// divisor.
bool ParseStep(std::string_view text, long long& milliseconds, long long& divisor);

// How far frame `frame`'s moment lies after the first for a step of
// milliseconds / divisor, in whole milliseconds rounded down: exact for any
// step, with no drift over a run; the largest long long where it would not fit.
long long StepOffsetMilliseconds(long long frame, long long milliseconds, long long divisor);
