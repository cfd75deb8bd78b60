#include "scripted_compositor.h"

#include <sys/socket.h>
#include <unistd.h>

#include <wayland-server.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "xdg-output-unstable-v1-server-protocol.h"
#include "xdg-shell-server-protocol.h"

struct ScriptedCompositor::State {
  struct Place {
    Output At;
    std::vector<wl_resource*> Outputs;     // the client's wl_output objects of it
    std::vector<wl_resource*> XdgOutputs;  // and its xdg_output objects
  };

  wl_display* Display = nullptr;
  wl_client* Client = nullptr;
  std::vector<Place> Places;
  std::vector<wl_resource*> Surfaces;
  wl_resource* Pointer = nullptr;
  std::mutex Lock;
  std::vector<std::pair<std::function<void(State&)>, std::promise<void>>> Steps;
  std::atomic<bool> Stop{false};
  // What each output's global hands to its binds.
  struct OutputGlobal {
    State* Owner;
    std::size_t Index;
  };
  std::vector<std::unique_ptr<OutputGlobal>> Globals;
  std::thread Thread;

  void Describe(wl_resource* output, std::size_t index) {
    const Output& at = Places[index].At;
    wl_output_send_geometry(output, at.X, at.Y, 0, 0, WL_OUTPUT_SUBPIXEL_UNKNOWN, "scripted", "output",
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(output, WL_OUTPUT_MODE_CURRENT, at.Width, at.Height, 60000);
    if (wl_resource_get_version(output) >= WL_OUTPUT_SCALE_SINCE_VERSION) wl_output_send_scale(output, 1);
    if (wl_resource_get_version(output) >= WL_OUTPUT_NAME_SINCE_VERSION)
      wl_output_send_name(output, ("OUT-" + std::to_string(index)).c_str());
  }
  void Done(std::size_t index) {
    for (wl_resource* output : Places[index].Outputs)
      if (wl_resource_get_version(output) >= WL_OUTPUT_DONE_SINCE_VERSION) wl_output_send_done(output);
  }
};

namespace {

using State = ScriptedCompositor::State;

State& Of(wl_resource* resource) { return *static_cast<State*>(wl_resource_get_user_data(resource)); }
void Destroy(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }

// Only the requests the client sends; the others stay null.
const struct wl_surface_interface SurfaceRequests = {Destroy, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr, nullptr, nullptr};

const struct wl_compositor_interface CompositorRequests = {
    [](wl_client* client, wl_resource* compositor, std::uint32_t id) {
      wl_resource* surface = wl_resource_create(client, &wl_surface_interface, wl_resource_get_version(compositor), id);
      wl_resource_set_implementation(surface, &SurfaceRequests, nullptr, nullptr);
      Of(compositor).Surfaces.push_back(surface);
    },
    nullptr,  // create_region: never asked
};

const struct wl_pointer_interface PointerRequests = {
    [](wl_client*, wl_resource*, std::uint32_t, wl_resource*, std::int32_t, std::int32_t) {},  // set_cursor
    Destroy,
};

const struct wl_keyboard_interface KeyboardRequests = {Destroy};

const struct wl_seat_interface SeatRequests = {
    [](wl_client* client, wl_resource* seat, std::uint32_t id) {
      wl_resource* pointer = wl_resource_create(client, &wl_pointer_interface, wl_resource_get_version(seat), id);
      wl_resource_set_implementation(pointer, &PointerRequests, &Of(seat),
                                     [](wl_resource* gone) { Of(gone).Pointer = nullptr; });
      Of(seat).Pointer = pointer;
    },
    [](wl_client* client, wl_resource* seat, std::uint32_t id) {
      wl_resource* keyboard = wl_resource_create(client, &wl_keyboard_interface, wl_resource_get_version(seat), id);
      wl_resource_set_implementation(keyboard, &KeyboardRequests, nullptr, nullptr);
    },
    nullptr,  // get_touch: no touch is offered
    Destroy,
};

const struct wl_output_interface OutputRequests = {Destroy};
const struct zxdg_output_v1_interface XdgOutputRequests = {Destroy};

const struct zxdg_output_manager_v1_interface XdgOutputManagerRequests = {
    Destroy,
    [](wl_client* client, wl_resource* manager, std::uint32_t id, wl_resource* output) {
      State& state = Of(manager);
      const auto* global = static_cast<State::OutputGlobal*>(wl_resource_get_user_data(output));
      wl_resource* xdg = wl_resource_create(client, &zxdg_output_v1_interface, wl_resource_get_version(manager), id);
      wl_resource_set_implementation(xdg, &XdgOutputRequests, nullptr, nullptr);
      State::Place& place = state.Places[global->Index];
      place.XdgOutputs.push_back(xdg);
      zxdg_output_v1_send_logical_position(xdg, place.At.X, place.At.Y);
      zxdg_output_v1_send_logical_size(xdg, place.At.Width, place.At.Height);
      wl_output_send_done(output);
    },
};

const struct xdg_wm_base_interface WmBaseRequests = {Destroy, nullptr, nullptr,
                                                     [](wl_client*, wl_resource*, std::uint32_t) {}};

// Binds that hand the state to the object made.
template <const wl_interface* Interface, auto Requests>
void Bind(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  wl_resource* resource = wl_resource_create(client, Interface, static_cast<int>(version), id);
  wl_resource_set_implementation(resource, Requests, data, nullptr);
  if (Interface == &wl_seat_interface) wl_seat_send_capabilities(resource, WL_SEAT_CAPABILITY_POINTER);
}

void BindOutput(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  auto* global = static_cast<State::OutputGlobal*>(data);
  wl_resource* output = wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
  wl_resource_set_implementation(output, &OutputRequests, global, nullptr);
  global->Owner->Places[global->Index].Outputs.push_back(output);
  global->Owner->Describe(output, global->Index);
  global->Owner->Done(global->Index);
}

}  // namespace

ScriptedCompositor::ScriptedCompositor(std::vector<Output> outputs) : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.Display = wl_display_create();
  int sockets[2];
  if (state.Display == nullptr || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
    throw std::runtime_error("no Wayland display could be made");
  state.Client = wl_client_create(state.Display, sockets[0]);
  clientSocket_ = sockets[1];
  wl_display_init_shm(state.Display);
  wl_global_create(state.Display, &wl_compositor_interface, 4, &state,
                   Bind<&wl_compositor_interface, &CompositorRequests>);
  wl_global_create(state.Display, &xdg_wm_base_interface, 1, &state, Bind<&xdg_wm_base_interface, &WmBaseRequests>);
  wl_global_create(state.Display, &wl_seat_interface, 4, &state, Bind<&wl_seat_interface, &SeatRequests>);
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    state.Places.push_back({outputs[k], {}, {}});
    state.Globals.push_back(std::make_unique<State::OutputGlobal>(State::OutputGlobal{&state, k}));
  }
  for (const auto& global : state.Globals) wl_global_create(state.Display, &wl_output_interface, 4, global.get(), BindOutput);
  wl_global_create(state.Display, &zxdg_output_manager_v1_interface, 3, &state,
                   Bind<&zxdg_output_manager_v1_interface, &XdgOutputManagerRequests>);
  state.Thread = std::thread([&state] {
    wl_event_loop* loop = wl_display_get_event_loop(state.Display);
    while (!state.Stop) {
      wl_event_loop_dispatch(loop, 5);
      std::vector<std::pair<std::function<void(State&)>, std::promise<void>>> steps;
      {
        std::lock_guard<std::mutex> hold(state.Lock);
        steps.swap(state.Steps);
      }
      for (auto& [step, done] : steps) step(state);
      wl_display_flush_clients(state.Display);
      for (auto& step : steps) step.second.set_value();
    }
  });
}

ScriptedCompositor::~ScriptedCompositor() {
  state_->Stop = true;
  state_->Thread.join();
  wl_display_destroy_clients(state_->Display);
  wl_display_destroy(state_->Display);
}

void ScriptedCompositor::Enter(int surface, int x, int y) {
  queued_.push_back([surface, x, y](State& state) {
    if (state.Pointer == nullptr) return;  // the test sees no entry
    wl_pointer_send_enter(state.Pointer, wl_display_next_serial(state.Display), state.Surfaces.at(surface),
                          wl_fixed_from_int(x), wl_fixed_from_int(y));
  });
}

void ScriptedCompositor::Leave(int surface) {
  queued_.push_back([surface](State& state) {
    if (state.Pointer == nullptr) return;
    wl_pointer_send_leave(state.Pointer, wl_display_next_serial(state.Display), state.Surfaces.at(surface));
  });
}

void ScriptedCompositor::Motion(int x, int y) {
  queued_.push_back([x, y](State& state) {
    static std::uint32_t time = 0;
    if (state.Pointer == nullptr) return;
    wl_pointer_send_motion(state.Pointer, time += 16, wl_fixed_from_int(x), wl_fixed_from_int(y));
  });
}

void ScriptedCompositor::MoveOutput(int output, int x, int y) {
  queued_.push_back([output, x, y](State& state) {
    State::Place& place = state.Places.at(output);
    place.At.X = x;
    place.At.Y = y;
    for (wl_resource* xdg : place.XdgOutputs) zxdg_output_v1_send_logical_position(xdg, x, y);
    for (wl_resource* wl : place.Outputs) state.Describe(wl, output);
    state.Done(output);
  });
}

void ScriptedCompositor::Send() {
  std::future<void> sent;
  {
    std::lock_guard<std::mutex> hold(state_->Lock);
    for (auto& step : queued_) {
      std::promise<void> done;
      if (&step == &queued_.back()) sent = done.get_future();
      state_->Steps.emplace_back(std::move(step), std::move(done));
    }
  }
  queued_.clear();
  if (sent.valid()) sent.get();
}
