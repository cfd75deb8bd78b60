#include "host/linux/frame_delay.h"

#include <charconv>
#include <cstdint>

#include "host/linux/option_scanner.h"

std::optional<std::chrono::microseconds> ParseFrameDelay(std::string_view text, std::string& error) {
  // Digits only: from_chars alone would take a leading minus sign. A number
  // too large for 64 bits fails in from_chars and so lies out of range too.
  std::int64_t value = 0;
  const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (digits && ec == std::errc() && end == text.data() + text.size() && value >= ShortestFrameDelay.count() &&
      value <= LongestFrameDelay.count())
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
