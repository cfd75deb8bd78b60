#include "host/visibility/draw_gate.h"

DisplayPower DisplayPowerFromState(unsigned long state, DisplayPower current) {
  switch (state) {
    case 0:
      return DisplayPower::Off;
    case 1:
      return DisplayPower::On;
    case 2:
      return DisplayPower::Dimmed;
    default:
      return current;
  }
}

DisplayPower DisplayPowerFromDpms(bool enabled, unsigned level) {
  if (!enabled) return DisplayPower::On;
  return level == 0 ? DisplayPower::On : DisplayPower::Off;
}
