#include "host/time/local_clock.h"

LocalMoment SystemLocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return LocalMomentOf(now);
}

LocalMoment LocalMomentOf(const timespec& instant) {
  tm local{};
  localtime_r(&instant.tv_sec, &local);
  LocalMoment moment;
  moment.Year = static_cast<std::uint16_t>(local.tm_year + 1900);
  moment.Month = static_cast<std::uint16_t>(local.tm_mon + 1);
  moment.Day = static_cast<std::uint16_t>(local.tm_mday);
  moment.Hour = static_cast<std::uint16_t>(local.tm_hour);
  moment.Minute = static_cast<std::uint16_t>(local.tm_min);
  moment.Second = static_cast<std::uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec);  // leap second
  moment.Millisecond = static_cast<std::uint16_t>(instant.tv_nsec / 1000000);
  return moment;
}
