// The system's local wall clock, for the Linux hosts (X11 and headless).
#pragma once

#include <ctime>

#include "frame/platform.h"

// The local date and time of day, read at one instant. A leap second reads as
// second 59.
LocalMoment SystemLocalNow();

// The local date and time of day at `instant` (seconds and nanoseconds since
// 1970-01-01T00:00:00Z) in the time zone the C library has set (TZ, else the
// system's), summer time included.
LocalMoment LocalMomentOf(const timespec& instant);
