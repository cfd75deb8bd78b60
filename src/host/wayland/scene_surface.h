// The surface the scene is drawn on: a layer surface covering one output, or,
// where the compositor has no layer shell, an xdg_toplevel set full screen.
// Its buffer is the surface's size in physical pixels (logical size times the
// output's scale, with the buffer scale set to match), drawn through EGL on a
// wl_egl_window made at the first configure. Each presented frame asks for a
// frame callback; until it comes the next frame waits.
#pragma once

#include <EGL/egl.h>
#include <wayland-egl.h>

#include <string>

#include "host/wayland/command_line.h"
#include "host/wayland/wayland_connection.h"
#include "host/wayland/wayland_egl.h"

class SceneSurface {
 public:
  class Owner {
   public:
    virtual ~Owner() = default;
    // The surface has a drawing area of this many pixels, for the first time
    // or anew; its EGL surface exists.
    virtual void SceneSized(int width, int height) = 0;
    // Something failed that ends the saver (see `error`).
    virtual void SceneFailed(const std::string& error) = 0;
    // The full-screen window was asked to close.
    virtual void SceneCloseRequested() = 0;
  };

  // On `output` (for the full-screen window, null lets the compositor choose).
  SceneSurface(const WaylandConnection& connection, WaylandEgl& egl, WaylandOutput* output, WaylandLayer layer,
               Owner& owner);
  ~SceneSurface();
  SceneSurface(const SceneSurface&) = delete;
  SceneSurface& operator=(const SceneSurface&) = delete;

  WaylandOutput* Output() const { return output_; }
  wl_surface* Surface() const { return surface_; }
  EGLSurface Egl() const { return eglSurface_; }
  bool Ready() const { return eglSurface_ != EGL_NO_SURFACE; }
  bool WaitingForFrame() const { return frame_ != nullptr; }
  // The compositor will not show the layer surface again.
  bool Closed() const { return closed_; }

  // Asks for the callback that says when to draw the next frame; before the
  // swap that commits this one.
  void RequestFrame();
  // The output's scale may have changed: the buffer follows it.
  void Rescale();
  // The output went away (the full-screen window stays, wherever the
  // compositor puts it).
  void ForgetOutput() { output_ = nullptr; }

  // Events.
  void ConfigureLayer(std::uint32_t serial, std::uint32_t width, std::uint32_t height);
  void ConfigureToplevel(std::int32_t width, std::int32_t height) {
    pendingWidth_ = width;
    pendingHeight_ = height;
  }
  void ConfigureXdgSurface(std::uint32_t serial);
  void Close() { closed_ = true; }
  void CloseRequested() { owner_.SceneCloseRequested(); }
  void FrameDone();
  void Entered(wl_output* output);

 private:
  // Logical size and scale to pixels; makes or resizes the EGL window.
  void Apply(int logicalWidth, int logicalHeight);

  const WaylandConnection& connection_;
  WaylandEgl& egl_;
  Owner& owner_;
  WaylandOutput* output_;
  wl_surface* surface_ = nullptr;
  zwlr_layer_surface_v1* layer_ = nullptr;
  xdg_surface* xdgSurface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  wl_egl_window* window_ = nullptr;
  EGLSurface eglSurface_ = EGL_NO_SURFACE;
  wl_callback* frame_ = nullptr;
  int logicalWidth_ = 0, logicalHeight_ = 0, scale_ = 1;
  int pendingWidth_ = 0, pendingHeight_ = 0;
  bool closed_ = false;
};
