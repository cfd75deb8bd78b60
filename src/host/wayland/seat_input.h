// The input that ends the saver in the overlay and top layers: any key press
// (a modifier alone included), or a jump of the pointer by more than 100
// pixels between two motion events on the global layout. The pointer's
// first appearance over one of the saver's surfaces gives the place the first
// move is measured from; entering another output's surface counts as a
// motion to that place. Clicks end nothing. Over the saver's surfaces the
// pointer is hidden.
//
// A change of the outputs' layout (one added, removed, moved, resized or
// rescaled) is no one's move, though the compositor may put the pointer
// elsewhere for it, and may tell so before it has told the outputs' new
// places. Pointer events are therefore judged once the compositor has
// answered a sync sent after them, by which time it has told all it did at
// that moment: if the outputs changed meanwhile, the events only record where
// the pointer is. Along one surface a move is measured in the surface's own
// coordinates, which no change of the layout shifts. A surface the saver made
// after the pointer was last seen on one of its surfaces (the scene moved to
// the output the compositor put the pointer on, a new output's cover) came
// under the pointer: entering it only records the place too. The mark of a
// change stays until a pointer event after it has been recorded, and an
// entry after the pointer was last on a surface that has gone since (its
// output unplugged) also only records the place.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "host/saver_input/pointer_jump.h"
#include "host/wayland/protocols.h"

class SeatInput {
 public:
  // Where a surface of the saver's has its top left corner on the global
  // layout, in logical pixels; nothing for a surface that is not the saver's.
  using Locate = std::function<std::optional<std::pair<std::int32_t, std::int32_t>>(wl_surface*)>;

  // Takes `seat`, just bound, of the connection `display`. `ended` is called
  // once the input ends the saver.
  SeatInput(wl_display* display, wl_seat* seat, Locate locate, std::function<void()> ended);
  ~SeatInput();
  SeatInput(const SeatInput&) = delete;
  SeatInput& operator=(const SeatInput&) = delete;

  // Events.
  void Capabilities(std::uint32_t capabilities);
  void PointerEntered(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
  void PointerLeft() { focus_ = nullptr; }
  void PointerMoved(wl_fixed_t x, wl_fixed_t y);
  void KeyPressed() { ended_(); }
  // The compositor has answered the sync: what came before it is judged.
  void Synced();

  // Outputs were added, removed, moved, resized or rescaled: the pointer
  // events of this moment only record where the pointer is.
  void LayoutChanged();
  // The saver made `surface`, which may come under the pointer.
  void SurfaceMade(wl_surface* surface) { made_.push_back(surface); }

 private:
  // A pointer event not judged yet: the surface's own coordinates.
  struct Motion {
    bool Entered;  // an entry: the first event on this surface
    bool Appeared;  // an entry onto a surface made since the last event
    wl_surface* Surface;
    std::int32_t X, Y;
  };
  // Where the last event left the pointer: the surface, the place on it, and
  // the place on the layout.
  struct Place {
    wl_surface* Surface;
    std::int32_t LocalX, LocalY, X, Y;
  };

  void AskForSync();
  void Judge();

  wl_display* display_;
  wl_seat* seat_;
  Locate locate_;
  std::function<void()> ended_;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  wl_surface* focus_ = nullptr;  // the surface under the pointer, if the compositor says one
  wl_callback* sync_ = nullptr;  // asked, not answered yet
  std::vector<Motion> pending_;
  std::vector<wl_surface*> made_;  // since the pointer was last on a surface of the saver's
  bool layoutChanged_ = false;   // and no pointer event recorded since
  std::optional<Place> last_;
  std::optional<PointerJump> jump_;
};
