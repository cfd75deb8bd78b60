// The two rules of a run of frames from a frozen moment, kept alike by the
// renderer's command line and the web page's URL.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "frame/platform.h"

// The most frames one run takes.
inline constexpr int MaxFrames = 10'000'000;

// Why a step is refused without a frozen moment.
inline constexpr const char* StepNeedsMomentReason = "only a frozen moment can be moved on";

// A step (milliseconds per frame over a divisor) that moves nothing on: one
// given without a frozen moment.
bool StepWithoutMoment(const std::optional<LocalMoment>& at, long long stepMilliseconds);

// Whether the last of `frames` frames from `at`, each `milliseconds` /
// `divisor` after the one before, would fall after the calendar's last
// second.
bool LastFramePastCalendar(const LocalMoment& at, long long frames, long long milliseconds, long long divisor);

// The message for that, with the options named as the caller's user writes
// them ("--frames" and "--step", or "frames" and "step").
std::string LastFramePastCalendarMessage(std::string_view framesName, std::string_view stepName);
