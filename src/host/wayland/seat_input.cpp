#include "host/wayland/seat_input.h"

#include <unistd.h>

#include <algorithm>

namespace {

SeatInput& Of(void* data) { return *static_cast<SeatInput*>(data); }

const wl_seat_listener SeatListener = {
    [](void* data, wl_seat*, std::uint32_t capabilities) { Of(data).Capabilities(capabilities); },
    [](void*, wl_seat*, const char*) {},
};

const wl_pointer_listener PointerListener = {
    [](void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
      Of(data).PointerEntered(serial, surface, x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_surface*) { Of(data).PointerLeft(); },
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) { Of(data).PointerMoved(x, y); },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    // frame, axis_source, axis_stop, axis_discrete, axis_value120: later
    // versions than the one bound
    nullptr, nullptr, nullptr, nullptr, nullptr,
};

const wl_keyboard_listener KeyboardListener = {
    // No keymap is needed to tell that a key went down.
    [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) { close(fd); },
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
      if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Of(data).KeyPressed();
    },
    [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_callback_listener SyncListener = {
    [](void* data, wl_callback*, std::uint32_t) { Of(data).Synced(); },
};

template <typename Device>
void Release(Device*& device, void (*release)(Device*), void (*destroy)(Device*), std::uint32_t since) {
  if (device == nullptr) return;
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(device)) >= since)
    release(device);
  else
    destroy(device);
  device = nullptr;
}

}  // namespace

SeatInput::SeatInput(wl_display* display, wl_seat* seat, Locate locate, std::function<void()> ended)
    : display_(display), seat_(seat), locate_(std::move(locate)), ended_(std::move(ended)) {
  wl_seat_add_listener(seat_, &SeatListener, this);
}

SeatInput::~SeatInput() {
  if (sync_ != nullptr) wl_callback_destroy(sync_);
  Capabilities(0);
  if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION)
    wl_seat_release(seat_);
  else
    wl_seat_destroy(seat_);
}

void SeatInput::Capabilities(std::uint32_t capabilities) {
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  if (keyboard && keyboard_ == nullptr) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &KeyboardListener, this);
  } else if (!keyboard) {
    Release(keyboard_, wl_keyboard_release, wl_keyboard_destroy, WL_KEYBOARD_RELEASE_SINCE_VERSION);
  }
  if (pointer && pointer_ == nullptr) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &PointerListener, this);
  } else if (!pointer) {
    Release(pointer_, wl_pointer_release, wl_pointer_destroy, WL_POINTER_RELEASE_SINCE_VERSION);
    focus_ = nullptr;
  }
}

void SeatInput::PointerEntered(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  focus_ = nullptr;
  if (!locate_(surface)) return;
  focus_ = surface;
  wl_pointer_set_cursor(pointer_, serial, nullptr, 0, 0);
  const bool appeared = std::find(made_.begin(), made_.end(), surface) != made_.end();
  made_.clear();
  pending_.push_back({true, appeared, surface, wl_fixed_to_int(x), wl_fixed_to_int(y)});
  AskForSync();
}

void SeatInput::PointerMoved(wl_fixed_t x, wl_fixed_t y) {
  if (focus_ == nullptr) return;
  made_.clear();
  pending_.push_back({false, false, focus_, wl_fixed_to_int(x), wl_fixed_to_int(y)});
  AskForSync();
}

void SeatInput::LayoutChanged() {
  layoutChanged_ = true;
  // Answered soon, so that the moves after this moment are judged again.
  AskForSync();
}

void SeatInput::AskForSync() {
  if (sync_ != nullptr) return;
  sync_ = wl_display_sync(display_);
  wl_callback_add_listener(sync_, &SyncListener, this);
}

void SeatInput::Synced() {
  wl_callback_destroy(sync_);
  sync_ = nullptr;
  Judge();
}

void SeatInput::Judge() {
  // A change of the layout stands until a motion after it has been recorded:
  // the compositor may move the pointer for it without telling so until the
  // next event, which is then no one's move either.
  const bool onlyRecord = layoutChanged_;
  std::vector<Motion> motions;
  motions.swap(pending_);
  for (const Motion& motion : motions) {
    // The last place was on a surface that is gone (its output unplugged):
    // there is nothing to measure an entry from, and it starts afresh.
    const bool lastGone = motion.Entered && last_ && last_->Surface != motion.Surface && !locate_(last_->Surface);
    Place place{motion.Surface, motion.X, motion.Y, 0, 0};
    if (!motion.Entered && last_ && last_->Surface == motion.Surface) {
      place.X = last_->X + (motion.X - last_->LocalX);
      place.Y = last_->Y + (motion.Y - last_->LocalY);
    } else {
      // Where the surface lies now; one gone since has nothing to say.
      const auto origin = locate_(motion.Surface);
      if (!origin) continue;
      place.X = origin->first + motion.X;
      place.Y = origin->second + motion.Y;
    }
    last_ = place;
    layoutChanged_ = false;
    if (!jump_) {
      jump_.emplace(place.X, place.Y);
    } else if (onlyRecord || motion.Appeared || lastGone) {
      jump_->Remember(place.X, place.Y);
    } else if (jump_->Moved(place.X, place.Y)) {
      ended_();
      return;
    }
  }
}
