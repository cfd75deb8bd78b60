#include "host/time/step_text.h"

#include "host/text/whole_number.h"

bool ParseStep(std::string_view text, long long& milliseconds, long long& divisor) {
  constexpr long long Most = std::numeric_limits<long long>::max() / 1000;
  if (const auto slash = text.find('/'); slash != std::string_view::npos) {
    long long over = 0, under = 0;
    if (!ParseWhole(text.substr(0, slash), over) || !ParseWhole(text.substr(slash + 1), under) || under < 1 ||
        over > Most)
      return false;
    milliseconds = over * 1000;
    divisor = under;
    return true;
  }
  const auto point = text.find('.');
  long long seconds = 0;
  if (!ParseWhole(text.substr(0, point), seconds) || seconds > Most - 1) return false;
  long long thousandths = 0;
  if (point != std::string_view::npos) {
    const std::string_view decimals = text.substr(point + 1);
    if (decimals.empty() || decimals.find_first_not_of('0', 3) != std::string_view::npos) return false;
    for (std::size_t i = 0; i < 3; ++i) {
      const char digit = i < decimals.size() ? decimals[i] : '0';
      if (digit < '0' || digit > '9') return false;
      thousandths = thousandths * 10 + (digit - '0');
    }
  }
  milliseconds = seconds * 1000 + thousandths;
  divisor = 1;
  return true;
}

long long StepOffsetMilliseconds(long long frame, long long milliseconds, long long divisor) {
  // At most 10^7 frames of at most 9.2 * 10^18 milliseconds: the product
  // needs 128 bits; the quotient fits again for any step the calendar can take.
  const __int128 offset = static_cast<__int128>(frame) * milliseconds / divisor;
  return offset > std::numeric_limits<long long>::max() ? std::numeric_limits<long long>::max()
                                                        : static_cast<long long>(offset);
}
