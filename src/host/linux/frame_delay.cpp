#include "host/linux/frame_delay.h"

#include <cstdint>

#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"
#include "host/text/whole_number.h"

std::optional<std::chrono::microseconds> ParseFrameDelay(std::string_view text, std::string& error) {
  // A number too large for 64 bits lies out of range too.
  std::int64_t value = 0;
  if (ParseWhole(text, value) && value >= ShortestFrameDelay.count() && value <= LongestFrameDelay.count())
    return std::chrono::microseconds(value);
  error = "--delay: '" + EscapeControls(text) + "' is not a number of microseconds from " +
          std::to_string(ShortestFrameDelay.count()) + " to " + std::to_string(LongestFrameDelay.count());
  return std::nullopt;
}

bool ScanFrameDelay(OptionScanner& scanner, std::chrono::microseconds& delay, std::string& error) {
  const std::optional<std::string_view> value = scanner.Value(error);
  if (!value) return false;
  const std::optional<std::chrono::microseconds> parsed = ParseFrameDelay(*value, error);
  if (parsed) delay = *parsed;
  return parsed.has_value();
}
