#include "host/wayland/wayland_connection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"
#include "host/wayland/command_line.h"

namespace {

void OnGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
  static_cast<WaylandConnection*>(data)->Announce(name, interface, version);
}
void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  static_cast<WaylandConnection*>(data)->Withdraw(name);
}
const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

// The compositor checks that its clients still answer.
void OnPing(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener WmBaseListener = {OnPing};

struct OutputEvents {
  static WaylandOutput& Of(void* data) { return *static_cast<WaylandOutput*>(data); }
  static void Geometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t,
                       std::int32_t, const char*, const char*, std::int32_t) {
    // The place where xdg-output does not say it better.
    if (Of(data).XdgOutput == nullptr) {
      Of(data).X = x;
      Of(data).Y = y;
    }
  }
  static void Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                   std::int32_t) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    Of(data).Width = width;
    Of(data).Height = height;
  }
  static void Scale(void* data, wl_output*, std::int32_t factor) { Of(data).Scale = std::max(1, factor); }
  static void Name(void* data, wl_output*, const char* name) { Of(data).Name = name; }
  static void Description(void*, wl_output*, const char*) {}
  static void LogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    Of(data).X = x;
    Of(data).Y = y;
  }
  static void LogicalSize(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
  static void XdgName(void* data, zxdg_output_v1*, const char* name) {
    if (Of(data).Name.empty()) Of(data).Name = name;
  }
  static void XdgDescription(void*, zxdg_output_v1*, const char*) {}
  template <typename Proxy>
  static void Done(void* data, Proxy*) {
    Of(data).Connection->Described(Of(data));
  }
};

}  // namespace

WaylandConnection::~WaylandConnection() {
  if (display_ == nullptr) return;
  for (auto& output : outputs_) {
    if (output->XdgOutput != nullptr) zxdg_output_v1_destroy(output->XdgOutput);
    wl_output_destroy(output->Output);
  }
  outputs_.clear();
  if (xdgOutputManager_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputManager_);
  if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
  if (wmBase_ != nullptr) xdg_wm_base_destroy(wmBase_);
  if (layerShell_ != nullptr) zwlr_layer_shell_v1_destroy(layerShell_);
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

bool WaylandConnection::Connect(std::string& error) {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  // The socket lies in XDG_RUNTIME_DIR unless WAYLAND_DISPLAY gives its full
  // path or WAYLAND_SOCKET an open one. What keeps libwayland from finding
  // it is said here in one line, its values escaped; libwayland would print
  // a line of its own first, with the values as they are.
  if (std::getenv("WAYLAND_SOCKET") == nullptr) {
    error = WaylandSocketProblem(name, std::getenv("XDG_RUNTIME_DIR"));
    if (!error.empty()) return false;
  }
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) {
    error = "cannot connect to the Wayland compositor '" + EscapeControls(name != nullptr ? name : "wayland-0") +
            "'" + (name == nullptr ? " (WAYLAND_DISPLAY is not set)" : "");
    return false;
  }
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &RegistryListener, this);
  // The globals, then the outputs' descriptions (xdg-output's come after
  // their objects are made in the first round).
  if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
    error = "the Wayland compositor closed the connection at once";
    return false;
  }
  if (compositor_ == nullptr || shm_ == nullptr) {
    error = "the Wayland compositor offers no wl_compositor or wl_shm";
    return false;
  }
  if (layerShell_ == nullptr && wmBase_ == nullptr) {
    error = "the Wayland compositor offers neither the layer shell nor xdg-shell";
    return false;
  }
  for (auto& output : outputs_) output->Done = true;
  started_ = true;
  return true;
}

void WaylandConnection::Announce(std::uint32_t name, const char* interface, std::uint32_t version) {
  auto bind = [&](const wl_interface* wanted, std::uint32_t most) {
    return wl_registry_bind(registry_, name, wanted, std::min(version, most));
  };
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    compositorVersion_ = std::min(version, 4u);
    compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && seatName_ == 0) {
    seatName_ = name;
    seatVersion_ = std::min(version, 4u);
  } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
    layerShell_ = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 3));
  } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
    wmBase_ = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(wmBase_, &WmBaseListener, nullptr);
  } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
    viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
  } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
    xdgOutputManager_ = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
    for (auto& output : outputs_) AskXdgOutput(*output);
  } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
    static const wl_output_listener listener = {OutputEvents::Geometry, OutputEvents::Mode,
                                                OutputEvents::Done<wl_output>, OutputEvents::Scale,
                                                OutputEvents::Name, OutputEvents::Description};
    auto output = std::make_unique<WaylandOutput>();
    output->GlobalName = name;
    output->Connection = this;
    output->Output = static_cast<wl_output*>(bind(&wl_output_interface, 4));
    wl_output_add_listener(output->Output, &listener, output.get());
    AskXdgOutput(*output);
    outputs_.push_back(std::move(output));
  }
}

void WaylandConnection::AskXdgOutput(WaylandOutput& output) {
  static const zxdg_output_v1_listener listener = {OutputEvents::LogicalPosition, OutputEvents::LogicalSize,
                                                   OutputEvents::Done<zxdg_output_v1>, OutputEvents::XdgName,
                                                   OutputEvents::XdgDescription};
  if (xdgOutputManager_ == nullptr || output.XdgOutput != nullptr) return;
  output.XdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputManager_, output.Output);
  zxdg_output_v1_add_listener(output.XdgOutput, &listener, &output);
}

void WaylandConnection::Described(WaylandOutput& output) {
  if (!started_ || listener_ == nullptr) return;
  if (!output.Done) {
    output.Done = true;
    listener_->OutputAdded(output);
  } else {
    listener_->OutputChanged(output);
  }
}

void WaylandConnection::Withdraw(std::uint32_t name) {
  const auto found = std::find_if(outputs_.begin(), outputs_.end(),
                                  [name](const auto& output) { return output->GlobalName == name; });
  if (found == outputs_.end()) return;
  WaylandOutput& output = **found;
  if (output.Done && started_ && listener_ != nullptr) listener_->OutputRemoved(output);
  if (output.XdgOutput != nullptr) zxdg_output_v1_destroy(output.XdgOutput);
  if (wl_output_get_version(output.Output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
    wl_output_release(output.Output);
  else
    wl_output_destroy(output.Output);
  outputs_.erase(found);
}

wl_seat* WaylandConnection::BindSeat() const {
  if (seatName_ == 0) return nullptr;
  return static_cast<wl_seat*>(wl_registry_bind(registry_, seatName_, &wl_seat_interface, seatVersion_));
}

WaylandOutput* WaylandConnection::Find(wl_output* output) const {
  for (const auto& known : outputs_)
    if (known->Output == output) return known.get();
  return nullptr;
}
