// What the saver's layer surfaces share: each covers one output whole (all
// four edges anchored, an exclusive zone of -1, so that no panel pushes it
// aside) in the layer asked for, takes the keyboard exclusively when the
// saver ends on input, and otherwise lets all input pass through.
#pragma once

#include "host/wayland/command_line.h"
#include "host/wayland/wayland_connection.h"

// Makes `surface` a layer surface on `output` with its state set, and
// commits it without a buffer; its configure and closed events go to
// `listener` with `data`.
zwlr_layer_surface_v1* CoverOutput(const WaylandConnection& connection, wl_surface* surface, wl_output* output,
                                   WaylandLayer layer, const zwlr_layer_surface_v1_listener* listener, void* data);

// Input passes through the surface: an empty input region.
void RefuseInput(const WaylandConnection& connection, wl_surface* surface);
