// The connection to the compositor and the globals the saver binds: the
// compositor, shared memory, the seat, the layer shell or else xdg-shell, the
// viewporter and xdg-output where there are, and every output with its name,
// its place on the global layout and its scale. Outputs that come or go while
// the saver runs are told to a listener.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/wayland/protocols.h"

struct WaylandOutput {
  std::uint32_t GlobalName = 0;
  wl_output* Output = nullptr;
  zxdg_output_v1* XdgOutput = nullptr;
  std::string Name;            // e.g. "HDMI-A-1"; empty until the compositor says it
  std::int32_t X = 0, Y = 0;   // its top left corner on the global layout, in logical pixels
  std::int32_t Scale = 1;      // buffer pixels per logical pixel
  std::int32_t Width = 0, Height = 0;  // its current mode, in physical pixels
  bool Done = false;           // the compositor has described it once
  class WaylandConnection* Connection = nullptr;  // for its events
};

class WaylandConnection {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    // A new output, once described; an output's name, place or scale changed;
    // an output about to go (its objects are still valid during the call).
    virtual void OutputAdded(WaylandOutput& output) = 0;
    virtual void OutputChanged(WaylandOutput& output) = 0;
    virtual void OutputRemoved(WaylandOutput& output) = 0;
  };

  WaylandConnection() = default;
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;
  ~WaylandConnection();

  // Connects to WAYLAND_DISPLAY, binds the globals and waits until every
  // output is described. On failure says why in `error`.
  bool Connect(std::string& error);

  void SetListener(Listener* listener) { listener_ = listener; }

  wl_display* Display() const { return display_; }
  wl_compositor* Compositor() const { return compositor_; }
  std::uint32_t CompositorVersion() const { return compositorVersion_; }
  wl_shm* Shm() const { return shm_; }
  // Binds the seat, if there is one (nothing otherwise), for a listener to be
  // added at once: a seat tells its devices as soon as it is bound.
  wl_seat* BindSeat() const;
  zwlr_layer_shell_v1* LayerShell() const { return layerShell_; }
  xdg_wm_base* WmBase() const { return wmBase_; }
  wp_viewporter* Viewporter() const { return viewporter_; }
  const std::vector<std::unique_ptr<WaylandOutput>>& Outputs() const { return outputs_; }
  WaylandOutput* Find(wl_output* output) const;

  // Binds a global the registry announces (called from the registry's event).
  void Announce(std::uint32_t name, const char* interface, std::uint32_t version);
  void Withdraw(std::uint32_t name);
  // An output's description is complete (wl_output.done or xdg_output.done).
  void Described(WaylandOutput& output);

 private:
  // Asks xdg-output for the output's logical place and name.
  void AskXdgOutput(WaylandOutput& output);

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  std::uint32_t compositorVersion_ = 0;
  wl_shm* shm_ = nullptr;
  std::uint32_t seatName_ = 0, seatVersion_ = 0;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  xdg_wm_base* wmBase_ = nullptr;
  wp_viewporter* viewporter_ = nullptr;
  zxdg_output_manager_v1* xdgOutputManager_ = nullptr;
  std::vector<std::unique_ptr<WaylandOutput>> outputs_;
  Listener* listener_ = nullptr;
  bool started_ = false;  // the first description of the outputs is over
};
