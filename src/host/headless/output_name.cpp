#include "host/headless/output_name.h"

#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"
#include "host/text/whole_number.h"

namespace {

// Wider numbers than this make no sense for at most ten million frames.
constexpr int MaxWidth = 20;

}  // namespace

std::string OutputName::For(long long number) const {
  if (!Numbered) return Prefix;
  std::string digits = std::to_string(number);
  if (static_cast<int>(digits.size()) < Width)
    digits.insert(0, static_cast<std::size_t>(Width) - digits.size(), ZeroPadded ? '0' : ' ');
  return Prefix + digits + Suffix;
}

std::optional<long long> OutputName::NumberOf(std::string_view name) const {
  if (!Numbered || name.size() <= Prefix.size() + Suffix.size() || !name.starts_with(Prefix) ||
      !name.ends_with(Suffix))
    return std::nullopt;
  std::string_view digits = name.substr(Prefix.size(), name.size() - Prefix.size() - Suffix.size());
  // The padding off, but for the last digit of a number that is all padding (0).
  const std::size_t first = digits.find_first_not_of(ZeroPadded ? '0' : ' ');
  digits.remove_prefix(first == std::string_view::npos ? digits.size() - 1 : first);
  long long number = 0;
  if (!ParseWhole(digits, number) || For(number) != name) return std::nullopt;
  return number;
}

std::optional<OutputName> ParseOutputName(std::string_view text, std::string& error) {
  OutputName name;
  std::string* part = &name.Prefix;
  const auto refuse = [&](const char* why) -> std::optional<OutputName> {
    error = "bad --out " + Quoted(text) + ": " + why;
    return std::nullopt;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *part += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '%') {
      *part += '%';
      ++i;
      continue;
    }
    std::size_t k = i + 1;
    bool zero = false;
    if (k < text.size() && text[k] == '0') {
      zero = true;
      ++k;
    }
    int width = 0;
    for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k) {
      width = width * 10 + (text[k] - '0');
      if (width > MaxWidth) return refuse("the frame number's width is at most 20");
    }
    if (k >= text.size() || text[k] != 'd')
      return refuse("a '%' starts the frame number, written %d, %5d or %05d, or is written %%");
    if (name.Numbered) return refuse("it holds more than one frame number");
    name.Numbered = true;
    name.ZeroPadded = zero;
    name.Width = width;
    part = &name.Suffix;
    i = k;
  }
  if (name.Prefix.empty() && !name.Numbered) return refuse("it names no file");
  return name;
}
