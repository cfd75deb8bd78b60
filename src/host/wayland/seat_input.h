// The input that ends the saver in the overlay and top layers: any key press
// (a modifier alone included), or a jump of the pointer by more than 100
// pixels between two motion events on the global layout. The pointer's
// first appearance over one of the saver's surfaces gives the place the first
// move is measured from; entering another output's surface counts as a
// motion to that place. Clicks end nothing. Over the saver's surfaces the
// pointer is hidden.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "host/saver_input/pointer_jump.h"
#include "host/wayland/protocols.h"

class SeatInput {
 public:
  // Where a surface of the saver's has its top left corner on the global
  // layout, in logical pixels; nothing for a surface that is not the saver's.
  using Locate = std::function<std::optional<std::pair<std::int32_t, std::int32_t>>(wl_surface*)>;

  // Takes `seat`, just bound. `ended` is called once the input ends the saver.
  SeatInput(wl_seat* seat, Locate locate, std::function<void()> ended);
  ~SeatInput();
  SeatInput(const SeatInput&) = delete;
  SeatInput& operator=(const SeatInput&) = delete;

  // Events.
  void Capabilities(std::uint32_t capabilities);
  void PointerEntered(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
  void PointerLeft() { origin_.reset(); }
  void PointerMoved(wl_fixed_t x, wl_fixed_t y);
  void KeyPressed() { ended_(); }

  // Outputs were added, removed or moved: the compositor may have put the
  // pointer somewhere else, which is no one's move. The next motion (or
  // entry) only records where the pointer is.
  void LayoutChanged() { layoutChanged_ = true; }

 private:
  void MovedTo(std::int32_t x, std::int32_t y);

  wl_seat* seat_;
  Locate locate_;
  std::function<void()> ended_;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  std::optional<std::pair<std::int32_t, std::int32_t>> origin_;  // of the surface under the pointer
  std::optional<PointerJump> jump_;
  bool layoutChanged_ = false;
};
