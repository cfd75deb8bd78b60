// Whether a tick draws, from the display's power and the surface's sight.
#include <gtest/gtest.h>

#include "host/visibility/draw_gate.h"

namespace {

struct Sight {
  DisplayPower display;
  bool blanked, shown, covered;
  bool draws;
};

// Only a display that is on or dimmed, not blanked, with the surface shown
// and not wholly covered, is seen; each condition alone turns it off.
const Sight Sights[] = {
    {DisplayPower::On, false, true, false, true},
    {DisplayPower::Dimmed, false, true, false, true},
    {DisplayPower::Off, false, true, false, false},
    {DisplayPower::On, true, true, false, false},
    {DisplayPower::On, false, false, false, false},
    {DisplayPower::On, false, true, true, false},
    {DisplayPower::Dimmed, true, true, false, false},
    {DisplayPower::Dimmed, false, false, true, false},
    {DisplayPower::Off, true, false, true, false},
};

TEST(DrawGate, DrawsOnlyWhatCanBeSeen) {
  for (const Sight& sight : Sights) {
    DrawGate gate;
    gate.SetDisplay(sight.display);
    gate.SetScreenBlanked(sight.blanked);
    gate.SetSurfaceShown(sight.shown);
    gate.SetSurfaceCovered(sight.covered);
    EXPECT_EQ(gate.Draws(), sight.draws) << "display " << static_cast<int>(sight.display) << " blanked "
                                         << sight.blanked << " shown " << sight.shown << " covered "
                                         << sight.covered;
  }
}

TEST(DrawGate, AFreshGateDraws) { EXPECT_TRUE(DrawGate().Draws()); }

TEST(DrawGate, TellsOnlyTheChangesOfTheAnswer) {
  DrawGate gate;
  EXPECT_FALSE(gate.SetDisplay(DisplayPower::Dimmed));  // still drawn
  EXPECT_TRUE(gate.SetDisplay(DisplayPower::Off));
  EXPECT_FALSE(gate.SetDisplay(DisplayPower::Off));
  EXPECT_FALSE(gate.SetSurfaceCovered(true));  // already dark
  EXPECT_FALSE(gate.SetDisplay(DisplayPower::On));  // still covered
  EXPECT_FALSE(gate.Draws());
  EXPECT_TRUE(gate.SetSurfaceCovered(false));
  EXPECT_TRUE(gate.Draws());
  EXPECT_TRUE(gate.SetScreenBlanked(true));
  EXPECT_TRUE(gate.SetScreenBlanked(false));
  EXPECT_TRUE(gate.SetSurfaceShown(false));
  EXPECT_TRUE(gate.SetSurfaceShown(true));
}

TEST(DrawGate, ConsoleDisplayStates) {
  EXPECT_EQ(DisplayPowerFromState(0, DisplayPower::On), DisplayPower::Off);
  EXPECT_EQ(DisplayPowerFromState(1, DisplayPower::Off), DisplayPower::On);
  EXPECT_EQ(DisplayPowerFromState(2, DisplayPower::Off), DisplayPower::Dimmed);
  // A number past the known ones changes nothing, whatever the state was.
  EXPECT_EQ(DisplayPowerFromState(3, DisplayPower::Off), DisplayPower::Off);
  EXPECT_EQ(DisplayPowerFromState(3, DisplayPower::Dimmed), DisplayPower::Dimmed);
}

TEST(DrawGate, DpmsLevels) {
  // On, Standby, Suspend, Off.
  EXPECT_EQ(DisplayPowerFromDpms(true, 0), DisplayPower::On);
  EXPECT_EQ(DisplayPowerFromDpms(true, 1), DisplayPower::Off);
  EXPECT_EQ(DisplayPowerFromDpms(true, 2), DisplayPower::Off);
  EXPECT_EQ(DisplayPowerFromDpms(true, 3), DisplayPower::Off);
  // Disabled, the level says nothing about the monitor.
  EXPECT_EQ(DisplayPowerFromDpms(false, 3), DisplayPower::On);
}

}  // namespace
