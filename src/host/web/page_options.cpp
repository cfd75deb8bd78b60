#include "host/web/page_options.h"

#include <iterator>
#include <limits>
#include <vector>

#include "host/text/escaped_text.h"
#include "host/text/whole_number.h"
#include "host/time/moment.h"
#include "host/time/step_text.h"
#include "host/time/stepped_run.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding as forms encode: "%41" is 'A', '+' a space; a '%' that
// starts no escape stays itself.
std::string Decode(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      decoded += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// A value as the message shows it: in quotes, escaped as every echoed value
// is, cut after 40 bytes, so that the message stays one short line.
std::string Shown(const std::string& value) {
  std::string shown = "\"";
  shown += EscapeControls(std::string_view(value).substr(0, 40));
  if (value.size() > 40) shown += "...";
  return shown + "\"";
}


std::optional<LocalMoment> ParseAt(std::string text, std::string& why) {
  // The URL form has a 'T' between date and time; a space is taken too.
  if (text.size() == 19 && text[10] == 'T') text[10] = ' ';
  std::optional<LocalMoment> moment;
  if (text.size() == 19 && text[10] == ' ') moment = ParseMoment(text, &why);
  if (!moment && (text.size() != 19 || text[10] != ' ' || why.rfind("expected", 0) == 0))
    why = "expected YYYY-MM-DDTHH:MM:SS, each field in digits";
  return moment;
}

}  // namespace

namespace {

constexpr const char* Keys[] = {"at", "step", "frames", "seed", "preview"};
// Unknown parameters the message names; the others are counted.
constexpr std::size_t MostUnknownNamed = 5;

// What was made of one key's occurrences: whether a good value was taken
// (the first good one counts), and the values given after it.
struct KeyUse {
  bool Taken = false;
  std::string TakenValue;
  std::vector<std::string> Repeats;
};

}  // namespace

PageOptions ParsePageOptions(std::string_view query, std::string& message) {
  PageOptions options;
  std::vector<std::string> mistakes;
  const auto bad = [&](const char* what, const std::string& value, const std::string& expected) {
    mistakes.push_back(std::string("bad ") + what + " " + Shown(value) + ": " + expected);
  };
  if (!query.empty() && query.front() == '?') query.remove_prefix(1);
  KeyUse uses[std::size(Keys)];
  std::vector<std::string> unknown;
  std::size_t unknownCount = 0;
  std::string stepText;
  while (!query.empty()) {
    const std::size_t end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    const std::string name = Decode(pair.substr(0, equals));
    const bool hasValue = equals != std::string_view::npos;
    const std::string value = hasValue ? Decode(pair.substr(equals + 1)) : std::string();
    std::size_t key = 0;
    while (key < std::size(Keys) && name != Keys[key]) ++key;
    if (key == std::size(Keys)) {
      // Each unknown name once, however often it comes.
      bool seen = false;
      for (const std::string& u : unknown) seen = seen || u == name;
      if (seen) continue;
      if (unknown.size() < MostUnknownNamed) unknown.push_back(name);
      ++unknownCount;
      continue;
    }
    KeyUse& use = uses[key];
    if (use.Taken) {
      use.Repeats.push_back(value);
      continue;
    }
    std::string why;
    bool good = false;
    if (name == "at") {
      options.At = ParseAt(value, why);
      good = options.At.has_value();
      if (!good) bad("at", value, why);
    } else if (name == "step") {
      // A step longer than the calendar's whole span can never be taken.
      good = ParseStep(value, options.StepMs, options.StepDivisor) &&
             options.StepMs / options.StepDivisor <= LastMomentSeconds() * 1000;
      if (good) {
        stepText = value;
      } else {
        options.StepMs = 0;
        options.StepDivisor = 1;
        bad("step", value, "expected seconds, 0 or more, to three decimals or as a fraction (e.g. 1, 0.5 or 1/30)");
      }
    } else if (name == "frames") {
      good = ParseWhole(value, options.Frames) && options.Frames >= 1 && options.Frames <= MaxFrames;
      if (!good) {
        options.Frames = 0;
        bad("frames", value, "expected a whole number from 1 to " + std::to_string(MaxFrames));
      }
    } else if (name == "seed") {
      std::uint64_t seed = 0;
      good = ParseWhole(value, seed);
      if (good)
        options.Seed = seed;
      else
        bad("seed", value, "expected a whole number from 0 to 18446744073709551615");
    } else {
      good = !hasValue || value.empty() || value == "1" || value == "true" || value == "0" || value == "false";
      if (good)
        options.Preview = !(value == "0" || value == "false");
      else
        bad("preview", value, "expected no value, 1 or 0");
    }
    use.Taken = good;
    if (good) use.TakenValue = value;
  }
  // A key given again after a good value: the later ones are left out.
  for (std::size_t key = 0; key < std::size(Keys); ++key) {
    const KeyUse& use = uses[key];
    if (use.Repeats.empty()) continue;
    std::string repeated = std::string(Keys[key]) + " again " + Shown(use.Repeats.front());
    if (use.Repeats.size() > 1) repeated += " and " + std::to_string(use.Repeats.size() - 1) + " more times";
    mistakes.push_back(repeated + ": a parameter counts once; the first good value, " + Shown(use.TakenValue) +
                       ", is kept");
  }
  if (unknownCount > 0) {
    std::string named;
    for (const std::string& u : unknown) named += (named.empty() ? "" : ", ") + Shown(u);
    if (unknownCount > unknown.size()) named += " and " + std::to_string(unknownCount - unknown.size()) + " more";
    mistakes.push_back(std::string(unknownCount > 1 ? "unknown parameters " : "unknown parameter ") + named +
                       ": the page takes at, step, frames, seed and preview");
  }
  // As the renderer refuses them: a step without a frozen moment, and a
  // counted run whose last frame would leave the calendar.
  if (uses[1].Taken && StepWithoutMoment(options.At, options.StepMs)) {
    mistakes.push_back("step " + Shown(stepText) + " needs at: " + StepNeedsMomentReason);
    options.StepMs = 0;
  }
  if (options.At && LastFramePastCalendar(*options.At, options.Frames, options.StepMs, options.StepDivisor)) {
    mistakes.push_back(LastFramePastCalendarMessage("frames", "step"));
    options.StepMs = 0;
  }
  message.clear();
  for (const std::string& mistake : mistakes) message += (message.empty() ? "" : "; ") + mistake;
  return options;
}

LocalMoment PageMomentOfFrame(const PageOptions& options, long long frame) {
  const long long start = MomentSeconds(*options.At) * 1000;
  const long long last = LastMomentSeconds() * 1000 + 999;
  // Frames past the calendar's end hold there.
  const long long offset = StepOffsetMilliseconds(frame, options.StepMs, options.StepDivisor);
  const long long at = offset <= last - start ? start + offset : last;
  LocalMoment moment = MomentAt(at / 1000);
  moment.Millisecond = static_cast<std::uint16_t>(at % 1000);
  return moment;
}
