#include "host/wayland/black_surface.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "host/wayland/layer_surface.h"

namespace {

const zwlr_layer_surface_v1_listener Listener = {
    [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
      static_cast<BlackSurface*>(data)->Configure(serial, width, height);
    },
    [](void* data, zwlr_layer_surface_v1*) { static_cast<BlackSurface*>(data)->Close(); },
};

}  // namespace

BlackSurface::BlackSurface(const WaylandConnection& connection, WaylandOutput& output, WaylandLayer layer)
    : connection_(connection), output_(output) {
  surface_ = wl_compositor_create_surface(connection.Compositor());
  if (connection.Viewporter() != nullptr) viewport_ = wp_viewporter_get_viewport(connection.Viewporter(), surface_);
  role_ = CoverOutput(connection, surface_, output.Output, layer, &Listener, this);
}

BlackSurface::~BlackSurface() {
  if (viewport_ != nullptr) wp_viewport_destroy(viewport_);
  zwlr_layer_surface_v1_destroy(role_);
  wl_surface_destroy(surface_);
  if (buffer_ != nullptr) wl_buffer_destroy(buffer_);
}

void BlackSurface::Configure(std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
  zwlr_layer_surface_v1_ack_configure(role_, serial);
  // Anchored to all four edges, it is always given a size; should a
  // compositor leave it to the saver, the output's own is taken.
  const int scale = std::max(1, output_.Scale);
  const int w = width > 0 ? static_cast<int>(width) : std::max(1, output_.Width / scale);
  const int h = height > 0 ? static_cast<int>(height) : std::max(1, output_.Height / scale);
  if (viewport_ != nullptr) {
    // An eighth of the size each way, scaled up: small, yet a scale coarse
    // enough for a compositor that maps buffer to output in 16.16 fixed point
    // (pixman) to reach the last row and column (from a single pixel, a
    // factor of 1/1080 rounds to one that leaves the bottom rows uncovered).
    MakeBuffer((w + 7) / 8, (h + 7) / 8);
    wp_viewport_set_destination(viewport_, w, h);
  } else {
    MakeBuffer(w, h);
  }
  wl_surface_attach(surface_, buffer_, 0, 0);
  wl_surface_damage(surface_, 0, 0, w, h);
  wl_surface_commit(surface_);
}

void BlackSurface::MakeBuffer(int width, int height) {
  if (buffer_ != nullptr && width == bufferWidth_ && height == bufferHeight_) return;
  if (buffer_ != nullptr) wl_buffer_destroy(buffer_);
  buffer_ = nullptr;
  // A new file is all zeros: black in XRGB8888, which every compositor takes.
  const int stride = width * 4;
  const int fd = memfd_create("quillmoor-black", MFD_CLOEXEC);
  if (fd < 0) return;
  if (ftruncate(fd, static_cast<off_t>(stride) * height) == 0) {
    wl_shm_pool* pool = wl_shm_create_pool(connection_.Shm(), fd, stride * height);
    buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    bufferWidth_ = width;
    bufferHeight_ = height;
  }
  close(fd);
}
