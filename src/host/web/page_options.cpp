#include "host/web/page_options.h"

#include <algorithm>
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
// is, cut after at most 40 bytes, between characters, so that the message
// stays one short line.
std::string Shown(const std::string& value) {
  const std::size_t cut = CharacterCut(value, 40);
  std::string shown = "\"";
  shown += EscapeControls(std::string_view(value).substr(0, cut));
  if (cut < value.size()) shown += "...";
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

// The parameters the page knows, in the order the message names them.
enum class PageKey { At, Step, Frames, Seed, Preview };
constexpr PageKey AllKeys[] = {PageKey::At, PageKey::Step, PageKey::Frames, PageKey::Seed, PageKey::Preview};

const char* NameOf(PageKey key) {
  switch (key) {
    case PageKey::At: return "at";
    case PageKey::Step: return "step";
    case PageKey::Frames: return "frames";
    case PageKey::Seed: return "seed";
    case PageKey::Preview: return "preview";
  }
  return "";
}

std::optional<PageKey> KeyNamed(const std::string& name) {
  for (const PageKey key : AllKeys)
    if (name == NameOf(key)) return key;
  return std::nullopt;
}

// One "name=value" of the query, decoded; `HasValue` false for a bare name.
struct QueryPair {
  std::string Name;
  std::string Value;
  bool HasValue = false;
};

// The query's pairs in order, the leading '?' and empty pairs left out.
std::vector<QueryPair> SplitQuery(std::string_view query) {
  if (!query.empty() && query.front() == '?') query.remove_prefix(1);
  std::vector<QueryPair> pairs;
  while (!query.empty()) {
    const std::size_t end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    const bool hasValue = equals != std::string_view::npos;
    pairs.push_back({Decode(pair.substr(0, equals)), hasValue ? Decode(pair.substr(equals + 1)) : std::string(),
                     hasValue});
  }
  return pairs;
}

// Takes `pair`'s value for `key` into `options`: true if it is good, else
// `mistake` says why and `options` keeps that key's default.
bool TakeValue(PageKey key, const QueryPair& pair, PageOptions& options, std::string& mistake) {
  const std::string& value = pair.Value;
  std::string why;
  switch (key) {
    case PageKey::At:
      options.At = ParseAt(value, why);
      if (options.At) return true;
      break;
    case PageKey::Step:
      // A step longer than the calendar's whole span can never be taken.
      if (ParseStep(value, options.StepMs, options.StepDivisor) &&
          options.StepMs / options.StepDivisor <= LastMomentSeconds() * 1000)
        return true;
      options.StepMs = 0;
      options.StepDivisor = 1;
      why = "expected seconds, 0 or more, to three decimals or as a fraction (e.g. 1, 0.5 or 1/30)";
      break;
    case PageKey::Frames:
      if (ParseWhole(value, options.Frames) && options.Frames >= 1 && options.Frames <= MaxFrames) return true;
      options.Frames = 0;
      why = "expected a whole number from 1 to " + std::to_string(MaxFrames);
      break;
    case PageKey::Seed: {
      std::uint64_t seed = 0;
      if (ParseWhole(value, seed)) {
        options.Seed = seed;
        return true;
      }
      why = "expected a whole number from 0 to 18446744073709551615";
      break;
    }
    case PageKey::Preview:
      if (!pair.HasValue || value.empty() || value == "1" || value == "true" || value == "0" || value == "false") {
        options.Preview = !(value == "0" || value == "false");
        return true;
      }
      why = "expected no value, 1 or 0";
      break;
  }
  mistake = std::string("bad ") + NameOf(key) + " " + Shown(value) + ": " + why;
  return false;
}

// What was made of one key's occurrences: whether a good value was taken
// (the first good one counts), and the values given after it.
struct KeyUse {
  bool Taken = false;
  std::string TakenValue;
  std::vector<std::string> Repeats;
};

// Unknown parameters the message names; the others are counted.
constexpr std::size_t MostUnknownNamed = 5;

// The mistakes left once every pair is read: each key given again after a
// good value, once with its repeats counted, then the unknown names, each
// counted once however often it came, the first few named.
void DescribeLeftOut(const KeyUse (&uses)[std::size(AllKeys)], const std::vector<std::string>& unknown,
                     std::vector<std::string>& mistakes) {
  for (const PageKey key : AllKeys) {
    const KeyUse& use = uses[static_cast<std::size_t>(key)];
    if (use.Repeats.empty()) continue;
    std::string repeated = std::string(NameOf(key)) + " again " + Shown(use.Repeats.front());
    if (const std::size_t more = use.Repeats.size() - 1; more > 0)
      repeated += " and " + std::to_string(more) + (more == 1 ? " more time" : " more times");
    mistakes.push_back(repeated + ": a parameter counts once; the first good value, " + Shown(use.TakenValue) +
                       ", is kept");
  }
  if (unknown.empty()) return;
  std::string named;
  for (std::size_t i = 0; i < unknown.size() && i < MostUnknownNamed; ++i)
    named += (named.empty() ? "" : ", ") + Shown(unknown[i]);
  if (unknown.size() > MostUnknownNamed) named += " and " + std::to_string(unknown.size() - MostUnknownNamed) + " more";
  mistakes.push_back(std::string(unknown.size() > 1 ? "unknown parameters " : "unknown parameter ") + named +
                     ": the page takes at, step, frames, seed and preview");
}

}  // namespace

PageOptions ParsePageOptions(std::string_view query, std::string& message) {
  PageOptions options;
  std::vector<std::string> mistakes;
  KeyUse uses[std::size(AllKeys)];
  std::vector<std::string> unknown;  // each name once, in the order first given
  for (const QueryPair& pair : SplitQuery(query)) {
    const std::optional<PageKey> key = KeyNamed(pair.Name);
    if (!key) {
      if (std::find(unknown.begin(), unknown.end(), pair.Name) == unknown.end()) unknown.push_back(pair.Name);
      continue;
    }
    KeyUse& use = uses[static_cast<std::size_t>(*key)];
    if (use.Taken) {
      use.Repeats.push_back(pair.Value);
      continue;
    }
    std::string mistake;
    use.Taken = TakeValue(*key, pair, options, mistake);
    if (use.Taken)
      use.TakenValue = pair.Value;
    else
      mistakes.push_back(mistake);
  }
  DescribeLeftOut(uses, unknown, mistakes);
  // As the renderer refuses them: a step without a frozen moment, and a
  // counted run whose last frame would leave the calendar.
  const KeyUse& step = uses[static_cast<std::size_t>(PageKey::Step)];
  if (step.Taken && StepWithoutMoment(options.At, options.StepMs)) {
    mistakes.push_back("step " + Shown(step.TakenValue) + " needs at: " + StepNeedsMomentReason);
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
