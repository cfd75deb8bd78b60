#include "host/wayland/scene_surface.h"

#include <algorithm>

#include "host/wayland/layer_surface.h"

namespace {

SceneSurface& Of(void* data) { return *static_cast<SceneSurface*>(data); }

const zwlr_layer_surface_v1_listener LayerListener = {
    [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
      Of(data).ConfigureLayer(serial, width, height);
    },
    [](void* data, zwlr_layer_surface_v1*) { Of(data).Close(); },
};

const xdg_surface_listener XdgSurfaceListener = {
    [](void* data, xdg_surface*, std::uint32_t serial) { Of(data).ConfigureXdgSurface(serial); },
};

const xdg_toplevel_listener ToplevelListener = {
    [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
      Of(data).ConfigureToplevel(width, height);
    },
    [](void* data, xdg_toplevel*) { Of(data).CloseRequested(); },
    nullptr,  // configure_bounds and wm_capabilities: later versions than the one bound
    nullptr,
};

const wl_callback_listener FrameListener = {
    [](void* data, wl_callback*, std::uint32_t) { Of(data).FrameDone(); },
};

const wl_surface_listener SurfaceListener = {
    [](void* data, wl_surface*, wl_output* output) { Of(data).Entered(output); },
    [](void*, wl_surface*, wl_output*) {},
};

}  // namespace

SceneSurface::SceneSurface(const WaylandConnection& connection, WaylandEgl& egl, WaylandOutput* output,
                           WaylandLayer layer, Owner& owner)
    : connection_(connection), egl_(egl), owner_(owner), output_(output) {
  surface_ = wl_compositor_create_surface(connection.Compositor());
  wl_surface_add_listener(surface_, &SurfaceListener, this);
  // A buffer scale needs wl_surface version 3; before that, one pixel per unit.
  if (output_ != nullptr && connection.CompositorVersion() >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION)
    scale_ = std::max(1, output_->Scale);
  if (connection.LayerShell() != nullptr) {
    layer_ = CoverOutput(connection, surface_, output_ != nullptr ? output_->Output : nullptr, layer, &LayerListener,
                         this);
    return;
  }
  xdgSurface_ = xdg_wm_base_get_xdg_surface(connection.WmBase(), surface_);
  xdg_surface_add_listener(xdgSurface_, &XdgSurfaceListener, this);
  toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
  xdg_toplevel_add_listener(toplevel_, &ToplevelListener, this);
  xdg_toplevel_set_title(toplevel_, "Quillmoor");
  xdg_toplevel_set_app_id(toplevel_, "quillmoor");
  xdg_toplevel_set_fullscreen(toplevel_, output_ != nullptr ? output_->Output : nullptr);
  if (!EndsOnInput(layer)) RefuseInput(connection, surface_);
  wl_surface_commit(surface_);
}

SceneSurface::~SceneSurface() {
  egl_.DestroySurface(eglSurface_);
  if (window_ != nullptr) wl_egl_window_destroy(window_);
  if (frame_ != nullptr) wl_callback_destroy(frame_);
  if (layer_ != nullptr) zwlr_layer_surface_v1_destroy(layer_);
  if (toplevel_ != nullptr) xdg_toplevel_destroy(toplevel_);
  if (xdgSurface_ != nullptr) xdg_surface_destroy(xdgSurface_);
  wl_surface_destroy(surface_);
}

void SceneSurface::ConfigureLayer(std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
  zwlr_layer_surface_v1_ack_configure(layer_, serial);
  Apply(static_cast<int>(width), static_cast<int>(height));
}

void SceneSurface::ConfigureXdgSurface(std::uint32_t serial) {
  xdg_surface_ack_configure(xdgSurface_, serial);
  Apply(pendingWidth_, pendingHeight_);
}

void SceneSurface::Apply(int logicalWidth, int logicalHeight) {
  // A size left to the saver (zero) is the output's.
  if (logicalWidth <= 0 || logicalHeight <= 0) {
    if (output_ == nullptr || output_->Width <= 0 || output_->Height <= 0) {
      if (!Ready()) owner_.SceneFailed("the compositor gave the saver's window no size, and its output none");
      return;
    }
    logicalWidth = output_->Width / scale_;
    logicalHeight = output_->Height / scale_;
  }
  const bool changed = !Ready() || logicalWidth != logicalWidth_ || logicalHeight != logicalHeight_;
  logicalWidth_ = logicalWidth;
  logicalHeight_ = logicalHeight;
  if (!changed) return;

  const int width = logicalWidth * scale_, height = logicalHeight * scale_;
  if (connection_.CompositorVersion() >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION)
    wl_surface_set_buffer_scale(surface_, scale_);
  if (window_ == nullptr) {
    window_ = wl_egl_window_create(surface_, width, height);
    std::string error;
    eglSurface_ = egl_.CreateSurface(window_, error);
    if (eglSurface_ == EGL_NO_SURFACE) {
      owner_.SceneFailed(error);
      return;
    }
  } else {
    wl_egl_window_resize(window_, width, height, 0, 0);
  }
  owner_.SceneSized(width, height);
}

void SceneSurface::Rescale() {
  if (output_ == nullptr || connection_.CompositorVersion() < WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION) return;
  const int scale = std::max(1, output_->Scale);
  if (scale == scale_) return;
  scale_ = scale;
  if (!Ready()) return;
  // The same logical size is a new size in pixels.
  const int width = logicalWidth_, height = logicalHeight_;
  logicalWidth_ = logicalHeight_ = 0;
  Apply(width, height);
}

void SceneSurface::Entered(wl_output* output) {
  // The full-screen window is where the compositor put it.
  if (toplevel_ == nullptr) return;
  if (WaylandOutput* entered = connection_.Find(output)) {
    output_ = entered;
    Rescale();
  }
}

void SceneSurface::RequestFrame() {
  if (frame_ != nullptr) wl_callback_destroy(frame_);
  frame_ = wl_surface_frame(surface_);
  wl_callback_add_listener(frame_, &FrameListener, this);
}

void SceneSurface::FrameDone() {
  wl_callback_destroy(frame_);
  frame_ = nullptr;
}
