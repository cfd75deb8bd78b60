// EGL on the Wayland platform: the display made from the compositor
// connection, desktop OpenGL (EGL_OPENGL_API) in a compatibility context, a
// configuration closest to the windows' pixel format without alpha, and
// window surfaces over wl_egl_window. The context outlives the surfaces: the
// scene keeps its display lists when it moves to another output.
#pragma once

#include <EGL/egl.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <string>

class WaylandEgl {
 public:
  WaylandEgl() = default;
  WaylandEgl(const WaylandEgl&) = delete;
  WaylandEgl& operator=(const WaylandEgl&) = delete;
  // Makes nothing current, deletes the context and ends the display.
  ~WaylandEgl();

  // The display, the API and the configuration; false, and why in `error`,
  // when there is no OpenGL on this compositor.
  bool Initialize(wl_display* display, std::string& error);

  EGLSurface CreateSurface(wl_egl_window* window, std::string& error);
  // Makes the surface current first if it is, so that it can go.
  void DestroySurface(EGLSurface surface);

  // Makes the context current on `surface`, making the context the first
  // time, and sets the swap interval to 0: the saver paces its frames
  // itself and never blocks in a swap.
  bool MakeCurrent(EGLSurface surface, std::string& error);
  bool HasContext() const { return context_ != EGL_NO_CONTEXT; }
  // Makes the context current without a surface, where EGL can; false where
  // it cannot.
  bool MakeCurrentWithoutSurface();
  void ReleaseCurrent();

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLConfig config_ = nullptr;
  EGLContext context_ = EGL_NO_CONTEXT;
};
