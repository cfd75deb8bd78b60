#include "host/time/moment.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using namespace std::chrono;

// Calendar arithmetic on the proleptic Gregorian calendar of <chrono>, with
// the day split into 86400 seconds. The time of day is added as seconds:
// where long has 32 bits (WebAssembly), <chrono>'s hours and minutes count
// in it, and minutes since 1970 overflow it in the year 6053.
sys_seconds SinceEpoch(const LocalMoment& m) {
  return sys_days{year{m.Year} / month{m.Month} / day{m.Day}} +
         seconds{m.Hour * 3600LL + m.Minute * 60LL + m.Second};
}

const sys_seconds First = sys_days{year{1601} / January / 1};

// Digits only; a value past a million reads as a million, which is out of
// range for every field.
bool AllDigits(const std::string& text, std::size_t from, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = std::min(value * 10 + (text[i] - '0'), 1'000'000);
  }
  return true;
}

}  // namespace

std::optional<LocalMoment> ParseMoment(const std::string& text, std::string* why) {
  const auto fail = [&](const std::string& reason) -> std::optional<LocalMoment> {
    if (why) *why = reason;
    return std::nullopt;
  };
  // "YYYY-MM-DD HH:MM:SS": every field its digits, no sign, no space. A year
  // of more or fewer digits is read too, to be told it is out of range.
  const std::size_t yearDigits = text.size() >= 16 ? text.size() - 15 : 0;
  int y, mo, d, h, mi, s;
  const auto at = [&](std::size_t offset) { return yearDigits + offset; };
  const bool digitYear = yearDigits > 0 && AllDigits(text, 0, yearDigits, y);
  if (!digitYear || text[at(0)] != '-' || text[at(3)] != '-' || text[at(6)] != ' ' || text[at(9)] != ':' ||
      text[at(12)] != ':' || !AllDigits(text, at(1), 2, mo) || !AllDigits(text, at(4), 2, d) ||
      !AllDigits(text, at(7), 2, h) || !AllDigits(text, at(10), 2, mi) || !AllDigits(text, at(13), 2, s))
    return fail("expected \"YYYY-MM-DD HH:MM:SS\", each field in digits");
  if (y < 1601 || y > 9999)
    return fail(std::string("dates run from ") + FirstMomentText + " to " + LastMomentText);
  if (yearDigits != 4) return fail("expected \"YYYY-MM-DD HH:MM:SS\", the year in four digits");
  if (mo < 1 || mo > 12 || d < 1 || !year_month_day{year{y} / month(mo) / day(d)}.ok())
    return fail("there is no such day");
  if (h > 23 || mi > 59 || s > 59) return fail("times of day run from 00:00:00 to 23:59:59");
  LocalMoment moment;
  moment.Year = static_cast<std::uint16_t>(y);
  moment.Month = static_cast<std::uint16_t>(mo);
  moment.Day = static_cast<std::uint16_t>(d);
  moment.Hour = static_cast<std::uint16_t>(h);
  moment.Minute = static_cast<std::uint16_t>(mi);
  moment.Second = static_cast<std::uint16_t>(s);
  return moment;
}

long long MomentSeconds(const LocalMoment& moment) { return (SinceEpoch(moment) - First).count(); }

LocalMoment MomentAt(long long seconds) {
  const sys_seconds at = First + std::chrono::seconds{seconds};
  const sys_days date = floor<days>(at);
  const year_month_day ymd{date};
  const hh_mm_ss<std::chrono::seconds> time{at - date};
  LocalMoment moment;
  moment.Year = static_cast<std::uint16_t>(static_cast<int>(ymd.year()));
  moment.Month = static_cast<std::uint16_t>(static_cast<unsigned>(ymd.month()));
  moment.Day = static_cast<std::uint16_t>(static_cast<unsigned>(ymd.day()));
  moment.Hour = static_cast<std::uint16_t>(time.hours().count());
  moment.Minute = static_cast<std::uint16_t>(time.minutes().count());
  moment.Second = static_cast<std::uint16_t>(time.seconds().count());
  return moment;
}

LocalMoment MomentAtMilliseconds(long long milliseconds) {
  LocalMoment moment = MomentAt(milliseconds / 1000);
  moment.Millisecond = static_cast<std::uint16_t>(milliseconds % 1000);
  return moment;
}

long long LastMomentSeconds() { return MomentSeconds(*ParseMoment(LastMomentText)); }

std::string FormatMoment(const LocalMoment& m) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{m.Year}, unsigned{m.Month},
                unsigned{m.Day}, unsigned{m.Hour}, unsigned{m.Minute}, unsigned{m.Second});
  return text;
}
