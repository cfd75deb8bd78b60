#include "host/wayland/wayland_saver.h"

#include <poll.h>

#include <EGL/egl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "frame/frame.h"
#include "frame/outline_font.h"
#include "host/linux/frame_pacer.h"
#include "host/linux/option_scanner.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"
#include "host/text/escaped_text.h"

WaylandSaver::WaylandSaver(WaylandConnection& connection, WaylandEgl& egl, WaylandPlatform& platform,
                           const WaylandOptions& options, const StopSignals& signals)
    : connection_(connection), egl_(egl), platform_(platform), options_(options), signals_(signals) {
  connection_.SetListener(this);
}

WaylandSaver::~WaylandSaver() {
  connection_.SetListener(nullptr);
  platform_.ShowOverlay(nullptr);
  platform_.PresentOn(nullptr);
  input_.reset();
  // The fonts' lists belong to the context: deleted while it is current.
  if (sceneSetUp_ && (eglGetCurrentContext() != EGL_NO_CONTEXT || egl_.MakeCurrentWithoutSurface())) {
    if (fontMade_) font_.Release();
    DeleteFontLists();
  }
  scene_.reset();
  covers_.clear();
  wl_display_flush(connection_.Display());
}

bool WaylandSaver::Start(std::string& error) {
  const auto& outputs = connection_.Outputs();
  WaylandOutput* chosen = nullptr;
  if (!options_.Output.empty()) {
    std::string names;
    for (const auto& output : outputs) {
      if (output->Name == options_.Output) chosen = output.get();
      // The compositor's names are escaped as the user's are.
      names += (names.empty() ? "" : ", ") + EscapeControls(output->Name);
    }
    if (chosen == nullptr) {
      error = "no output is named '" + EscapeControls(options_.Output) + "' (" +
              (outputs.empty() ? std::string("the compositor has none") : "there are " + names) + ")";
      return false;
    }
  } else if (!outputs.empty()) {
    chosen = outputs.front().get();
  } else if (connection_.LayerShell() != nullptr) {
    error = "the compositor has no output to draw on";
    return false;
  }

  scene_ = std::make_unique<SceneSurface>(connection_, egl_, chosen, options_.Layer, *this);
  platform_.PresentOn(scene_.get());
  if (connection_.LayerShell() != nullptr)
    for (const auto& output : outputs)
      if (output.get() != chosen) covers_.push_back(std::make_unique<BlackSurface>(connection_, *output, options_.Layer));
  wl_seat* seat = EndsOnInput(options_.Layer) ? connection_.BindSeat() : nullptr;
  if (seat != nullptr)
    input_ = std::make_unique<SeatInput>(
        connection_.Display(), seat, [this](wl_surface* surface) { return Locate(surface); }, [this] { End(SaverEnd::Input); });
  return true;
}

std::optional<std::pair<std::int32_t, std::int32_t>> WaylandSaver::Locate(wl_surface* surface) const {
  if (scene_ != nullptr && scene_->Surface() == surface) {
    // A full-screen window on an output the saver does not know yet: its own
    // surface-local place has to do.
    if (scene_->Output() == nullptr) return std::make_pair(0, 0);
    return std::make_pair(scene_->Output()->X, scene_->Output()->Y);
  }
  for (const auto& cover : covers_)
    if (cover->Surface() == surface) return std::make_pair(cover->Output().X, cover->Output().Y);
  return std::nullopt;
}

SaverEnd WaylandSaver::Run() {
  wl_display* display = connection_.Display();
  FramePacer pacer(FramePacer::Clock::now(), options_.Delay);
  while (!end_) {
    if (signals_.Arrived()) {
      End(SaverEnd::Signal);
      break;
    }
    if (wl_display_dispatch_pending(display) < 0) {
      ConnectionFailed();
      break;
    }
    Tidy();
    if (end_) break;

    // Nothing is drawn while no surface can show it, or before the
    // compositor has called back for the last frame: the loop sleeps.
    if (scene_ == nullptr || !scene_->Ready() || !sceneSetUp_ || scene_->WaitingForFrame()) {
      Wait(std::nullopt);
      continue;
    }
    const FramePacer::Duration remaining = pacer.Remaining(FramePacer::Clock::now());
    if (remaining == FramePacer::Duration::zero()) {
      ClearAroundScene();
      Timer1Timer();
      pacer.FrameDone(FramePacer::Clock::now());
    } else {
      Wait(remaining);
    }
  }
  // Surfaces closed as a session ends, with a signal on its way: the signal
  // says how the saver ended.
  if (*end_ == SaverEnd::SurfacesClosed && signals_.Arrived()) end_ = SaverEnd::Signal;
  return *end_;
}

void WaylandSaver::Wait(std::optional<FramePacer::Duration> timeout) {
  wl_display* display = connection_.Display();
  // Events already read come first.
  if (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) ConnectionFailed();
    return;
  }
  // What the saver asked for goes out before it sleeps; should the socket be
  // full, the wait is for room in it too.
  bool sending = false;
  if (wl_display_flush(display) < 0) {
    if (errno != EAGAIN) {
      wl_display_cancel_read(display);
      ConnectionFailed();
      return;
    }
    sending = true;
  }
  pollfd waits[2] = {{wl_display_get_fd(display), static_cast<short>(POLLIN | (sending ? POLLOUT : 0)), 0},
                     {signals_.Descriptor(), POLLIN, 0}};
  timespec limit{};
  if (timeout) limit = AsTimespec(*timeout);
  const int ready = ppoll(waits, 2, timeout ? &limit : nullptr, nullptr);
  if (ready < 0 && errno != EINTR) {
    wl_display_cancel_read(display);
    error_ = std::string("waiting for events failed: ") + std::strerror(errno);
    End(SaverEnd::Failure);
    return;
  }
  if (ready > 0 && (waits[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
    if (wl_display_read_events(display) < 0) ConnectionFailed();
  } else {
    wl_display_cancel_read(display);
  }
}

void WaylandSaver::ConnectionFailed() {
  wl_display* display = connection_.Display();
  const int code = wl_display_get_error(display);
  if (code == EPROTO) {
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    const std::uint32_t error = wl_display_get_protocol_error(display, &interface, &id);
    error_ = "the compositor ended the connection: protocol error " + std::to_string(error) + " on " +
             (interface != nullptr ? interface->name : "an unknown object");
  } else {
    error_ = "the compositor went away" + (code != 0 ? " (" + std::string(std::strerror(code)) + ")" : "");
  }
  End(SaverEnd::CompositorGone);
}

void WaylandSaver::Tidy() {
  covers_.erase(std::remove_if(covers_.begin(), covers_.end(), [](const auto& cover) { return cover->Closed(); }),
                covers_.end());
  if (scene_ != nullptr && scene_->Closed()) DropScene();
  if (scene_ != nullptr || end_) return;
  // The scene moves to the first output, in the compositor's order, that
  // still has a cover; with none left, the saver is done.
  for (const auto& output : connection_.Outputs()) {
    const auto cover = std::find_if(covers_.begin(), covers_.end(),
                                    [&](const auto& c) { return &c->Output() == output.get(); });
    if (cover == covers_.end()) continue;
    covers_.erase(cover);
    scene_ = std::make_unique<SceneSurface>(connection_, egl_, output.get(), options_.Layer, *this);
    if (input_ != nullptr) input_->SurfaceMade(scene_->Surface());
    platform_.PresentOn(scene_.get());
    return;
  }
  End(SaverEnd::SurfacesClosed);
}

void WaylandSaver::DropScene() {
  platform_.PresentOn(nullptr);
  scene_.reset();
}

void WaylandSaver::OutputAdded(WaylandOutput& output) {
  if (input_ != nullptr) input_->LayoutChanged();
  if (connection_.LayerShell() == nullptr) return;
  covers_.push_back(std::make_unique<BlackSurface>(connection_, output, options_.Layer));
  if (input_ != nullptr) input_->SurfaceMade(covers_.back()->Surface());
}

void WaylandSaver::OutputChanged(WaylandOutput& output) {
  if (input_ != nullptr) input_->LayoutChanged();
  if (scene_ != nullptr && scene_->Output() == &output) scene_->Rescale();
}

void WaylandSaver::OutputRemoved(WaylandOutput& output) {
  if (input_ != nullptr) input_->LayoutChanged();
  covers_.erase(std::remove_if(covers_.begin(), covers_.end(),
                               [&](const auto& cover) { return &cover->Output() == &output; }),
                covers_.end());
  if (scene_ == nullptr || scene_->Output() != &output) return;
  if (connection_.LayerShell() != nullptr)
    DropScene();
  else
    scene_->ForgetOutput();
}

void WaylandSaver::SceneSized(int width, int height) { LayOutScene(width, height); }

void WaylandSaver::LayOutScene(int width, int height) {
  // As the surface is created, and anew whenever its size in pixels changes
  // or the scene moves to another output: the clock's place, the countdown's
  // and the backdrop's all follow the aspect.
  CreateScene(SceneKind::FullScreen, width, height);
  std::string error;
  if (!egl_.MakeCurrent(scene_->Egl(), error)) {
    SceneFailed(error);
    return;
  }
  if (sceneSetUp_) {
    ApplySceneArea(SceneKind::FullScreen, width, height);
    return;
  }
  SetUpRenderingState(SceneKind::FullScreen, width, height);
  sceneSetUp_ = true;
  // Without a font for it the saver runs on without the figures.
  if (!options_.ShowFps) return;
  if (!font_.Create(error)) {
    std::cerr << "quillmoor-wayland: " << error << "\n";
    return;
  }
  fontMade_ = true;
  overlay_.Show(&font_);
  platform_.ShowOverlay(&overlay_);
}

void WaylandSaver::SceneFailed(const std::string& error) {
  error_ = error;
  End(SaverEnd::Failure);
}
