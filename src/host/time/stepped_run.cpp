#include "host/time/stepped_run.h"

#include "host/time/moment.h"
#include "host/time/step_text.h"

bool StepWithoutMoment(const std::optional<LocalMoment>& at, long long stepMilliseconds) {
  return stepMilliseconds > 0 && !at;
}

bool LastFramePastCalendar(const LocalMoment& at, long long frames, long long milliseconds, long long divisor) {
  // The last moment's second must be one the calendar has.
  return frames > 1 && milliseconds > 0 &&
         StepOffsetMilliseconds(frames - 1, milliseconds, divisor) / 1000 > LastMomentSeconds() - MomentSeconds(at);
}

std::string LastFramePastCalendarMessage(std::string_view framesName, std::string_view stepName) {
  return std::string("the last frame's moment lies after ") + LastMomentText + ": fewer " + std::string(framesName) +
         " or a smaller " + std::string(stepName);
}
