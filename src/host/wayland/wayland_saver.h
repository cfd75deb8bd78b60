// The Wayland saver's run: the scene's surface on one output and black
// covers on the others, kept so as outputs come and go; the scene laid out at
// the surface's size in pixels whenever that changes; one frame per --delay
// tick once the compositor has called back for the previous one; input, stop
// signals and the compositor's events handled between frames, the loop
// asleep in poll otherwise (and for as long as no frame callback comes).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/linux/fps_overlay.h"
#include "host/linux/frame_pacer.h"
#include "host/linux/stop_signals.h"
#include "host/wayland/black_surface.h"
#include "host/wayland/command_line.h"
#include "host/wayland/outline_overlay_font.h"
#include "host/wayland/scene_surface.h"
#include "host/wayland/seat_input.h"
#include "host/wayland/wayland_connection.h"
#include "host/wayland/wayland_egl.h"
#include "host/wayland/wayland_platform.h"

enum class SaverEnd {
  Input,           // a key or a pointer jump (overlay and top)
  CloseRequest,    // the full-screen window was asked to close
  Signal,          // SIGTERM, SIGINT or SIGHUP
  SurfacesClosed,  // the compositor closed every surface of the saver's
  CompositorGone,  // the connection ended: see Error()
  Failure,         // the scene could not be drawn: see Error()
};

class WaylandSaver final : public WaylandConnection::Listener, public SceneSurface::Owner {
 public:
  WaylandSaver(WaylandConnection& connection, WaylandEgl& egl, WaylandPlatform& platform,
               const WaylandOptions& options, const StopSignals& signals);
  // Deletes the display lists while the context is current, then the surfaces.
  ~WaylandSaver() override;
  WaylandSaver(const WaylandSaver&) = delete;
  WaylandSaver& operator=(const WaylandSaver&) = delete;

  // Makes the surfaces; false, and why in `error`, when --output names no
  // output or there is none to draw on.
  bool Start(std::string& error);

  // Runs until the saver ends and says why.
  SaverEnd Run();
  const std::string& Error() const { return error_; }

 private:
  void OutputAdded(WaylandOutput& output) override;
  void OutputChanged(WaylandOutput& output) override;
  void OutputRemoved(WaylandOutput& output) override;
  void SceneSized(int width, int height) override;
  void SceneFailed(const std::string& error) override;
  void SceneCloseRequested() override { End(SaverEnd::CloseRequest); }

  // The one place the scene takes its drawing area's size.
  void LayOutScene(int width, int height);
  // Drops closed surfaces; a closed scene moves to another output's cover.
  void Tidy();
  void DropScene();
  // Waits for the compositor, a stop signal, or `timeout` (none: no limit).
  void Wait(std::optional<FramePacer::Duration> timeout);
  void ConnectionFailed();
  std::optional<std::pair<std::int32_t, std::int32_t>> Locate(wl_surface* surface) const;
  void End(SaverEnd end) {
    if (!end_) end_ = end;
  }

  WaylandConnection& connection_;
  WaylandEgl& egl_;
  WaylandPlatform& platform_;
  const WaylandOptions& options_;
  const StopSignals& signals_;
  std::unique_ptr<SceneSurface> scene_;
  std::vector<std::unique_ptr<BlackSurface>> covers_;
  std::unique_ptr<SeatInput> input_;
  FpsOverlay overlay_;
  OutlineOverlayFont font_;
  bool fontMade_ = false;
  bool sceneSetUp_ = false;  // the rendering state is set up in the context
  std::optional<SaverEnd> end_;
  std::string error_;
};
