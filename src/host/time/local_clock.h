// The system's local wall clock, for the Linux hosts (X11 and headless).
#pragma once

#include "frame/platform.h"

// The local date and time of day, read at one instant. A leap second reads as
// second 59.
LocalMoment SystemLocalNow();
