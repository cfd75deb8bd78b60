#include "host/wayland/layer_surface.h"

zwlr_layer_surface_v1* CoverOutput(const WaylandConnection& connection, wl_surface* surface, wl_output* output,
                                   WaylandLayer layer, const zwlr_layer_surface_v1_listener* listener, void* data) {
  zwlr_layer_surface_v1* role = zwlr_layer_shell_v1_get_layer_surface(
      connection.LayerShell(), surface, output, static_cast<std::uint32_t>(layer), "quillmoor");
  zwlr_layer_surface_v1_add_listener(role, listener, data);
  zwlr_layer_surface_v1_set_anchor(role, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_exclusive_zone(role, -1);
  if (EndsOnInput(layer))
    zwlr_layer_surface_v1_set_keyboard_interactivity(role, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  else
    RefuseInput(connection, surface);
  wl_surface_commit(surface);
  return role;
}

void RefuseInput(const WaylandConnection& connection, wl_surface* surface) {
  wl_region* nothing = wl_compositor_create_region(connection.Compositor());
  wl_surface_set_input_region(surface, nothing);
  wl_region_destroy(nothing);
}
