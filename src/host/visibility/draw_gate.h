// Whether the next tick draws, from what a host knows about who can see the
// saver: the display's power state and the saver's surface. Nothing is drawn
// while the display is off, while the window system's own blanker covers the
// screen, or while the surface is unmapped or wholly covered by other
// windows; a dimmed display is still seen and keeps drawing. The host stops
// its frame timer while the gate is shut and waits on its events alone; the
// scene takes up again at the next tick, with the time of that moment.
#pragma once

enum class DisplayPower { On, Dimmed, Off };

class DrawGate {
 public:
  // Each setter says whether Draws() changed with it, so that a host can
  // stop or start its timer at that moment and leave it alone otherwise.
  bool SetDisplay(DisplayPower power) { return Change(display_, power); }
  // The window system's own screen saver (a blank screen, or its own window)
  // shows over every window.
  bool SetScreenBlanked(bool blanked) { return Change(blanked_, blanked); }
  // The surface is shown at all (mapped, or whatever the host calls it).
  bool SetSurfaceShown(bool shown) { return Change(shown_, shown); }
  // Other windows cover every pixel of the surface.
  bool SetSurfaceCovered(bool covered) { return Change(covered_, covered); }

  bool Draws() const { return display_ != DisplayPower::Off && !blanked_ && shown_ && !covered_; }

  DisplayPower Display() const { return display_; }

 private:
  template <typename T>
  bool Change(T& field, T value) {
    const bool before = Draws();
    field = value;
    return Draws() != before;
  }

  DisplayPower display_ = DisplayPower::On;
  bool blanked_ = false;
  bool shown_ = true;
  bool covered_ = false;
};

// The display state a power notification's number stands for: 0 off, 1 on,
// 2 dimmed (the console display state's values). Any other number says
// nothing new: `current` is kept.
DisplayPower DisplayPowerFromState(unsigned long state, DisplayPower current);

// The X DPMS extension's levels: On (0) is on; Standby (1), Suspend (2) and
// Off (3) all leave the screen dark. With DPMS disabled the monitor stays on
// whatever the level says.
DisplayPower DisplayPowerFromDpms(bool enabled, unsigned level);
