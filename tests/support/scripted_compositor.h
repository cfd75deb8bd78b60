// A Wayland compositor in the test process, on a thread of its own, that
// sends its one client exactly the events a test scripts, in the order it
// scripts them: the orders a real compositor may never produce. It offers
// wl_compositor (surfaces without roles), wl_shm, xdg_wm_base (never used),
// a seat with a pointer, outputs and xdg-output (version 3: each change of an
// output's place told by xdg_output.logical_position and wl_output.geometry,
// closed by wl_output.done).
#pragma once

#include <functional>
#include <memory>
#include <vector>

class ScriptedCompositor {
 public:
  struct Output {
    int X, Y, Width, Height;  // logical pixels on the global layout
  };

  explicit ScriptedCompositor(std::vector<Output> outputs);
  ~ScriptedCompositor();
  ScriptedCompositor(const ScriptedCompositor&) = delete;
  ScriptedCompositor& operator=(const ScriptedCompositor&) = delete;

  // The client's end of the connection, for WAYLAND_SOCKET (taken over by
  // the client's wl_display_connect).
  int ClientSocket() const { return clientSocket_; }

  // Events queued, then sent together by Send, in this order. Surfaces are
  // counted in the order the client made them, from 0.
  void Enter(int surface, int x, int y);
  void Leave(int surface);
  void Motion(int x, int y);
  void MoveOutput(int output, int x, int y);
  // Sends what was queued since the last Send, on the compositor's thread,
  // and returns once it is on its way to the client.
  void Send();

  struct State;  // the compositor's side, on its thread

 private:
  std::unique_ptr<State> state_;
  std::vector<std::function<void(State&)>> queued_;
  int clientSocket_ = -1;
};
