// The renderer's frozen local moment: read from the command line, and moved
// on by seconds and milliseconds with calendar arithmetic for time-lapses and
// real-time videos.
#pragma once

#include <optional>
#include <string>

#include "frame/platform.h"

// The moments the renderer accepts: four-digit Gregorian years from 1601,
// the first year of the Windows calendar the saver's clock comes from.
inline constexpr const char* FirstMomentText = "1601-01-01 00:00:00";
inline constexpr const char* LastMomentText = "9999-12-31 23:59:59";

// "YYYY-MM-DD HH:MM:SS", digits only, as a valid moment from FirstMomentText
// to LastMomentText (no leap seconds). On failure returns nothing and, when
// `why` is given, says what is wrong.
std::optional<LocalMoment> ParseMoment(const std::string& text, std::string* why = nullptr);

// Seconds from FirstMomentText to `moment` (wall-clock seconds: every day has
// 86400, whatever the time zone does).
long long MomentSeconds(const LocalMoment& moment);

// The moment `seconds` wall-clock seconds after FirstMomentText; the day,
// month and year roll over as the calendar does, leap days included.
LocalMoment MomentAt(long long seconds);

// The moment `milliseconds` after FirstMomentText: the whole seconds as
// MomentAt gives them, and the rest in its Millisecond.
LocalMoment MomentAtMilliseconds(long long milliseconds);

// Seconds from FirstMomentText to LastMomentText.
long long LastMomentSeconds();

std::string FormatMoment(const LocalMoment& moment);
