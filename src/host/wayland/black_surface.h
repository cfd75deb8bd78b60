// The black cover of an output the scene is not drawn on: a layer surface
// showing a small black buffer scaled to the output's size by the viewporter
// (or, where there is none, a black buffer of the output's size), with no
// OpenGL.
#pragma once

#include "host/wayland/command_line.h"
#include "host/wayland/wayland_connection.h"

class BlackSurface {
 public:
  BlackSurface(const WaylandConnection& connection, WaylandOutput& output, WaylandLayer layer);
  ~BlackSurface();
  BlackSurface(const BlackSurface&) = delete;
  BlackSurface& operator=(const BlackSurface&) = delete;

  WaylandOutput& Output() const { return output_; }
  wl_surface* Surface() const { return surface_; }
  // The compositor will not show it again (its output went, or it was removed).
  bool Closed() const { return closed_; }

  void Configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height);
  void Close() { closed_ = true; }

 private:
  void MakeBuffer(int width, int height);

  const WaylandConnection& connection_;
  WaylandOutput& output_;
  wl_surface* surface_ = nullptr;
  zwlr_layer_surface_v1* role_ = nullptr;
  wp_viewport* viewport_ = nullptr;
  wl_buffer* buffer_ = nullptr;
  int bufferWidth_ = 0, bufferHeight_ = 0;
  bool closed_ = false;
};
