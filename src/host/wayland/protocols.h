// The Wayland protocols the saver speaks, as wayland-scanner generated them at
// build time: the core protocol, xdg-shell, the layer shell, xdg-output (the
// outputs' names and places on the layout) and the viewporter (black surfaces
// from a one-pixel buffer).
#pragma once

#include <wayland-client.h>

#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

// The layer shell's header names an argument "namespace", a keyword in C++;
// the name matters only in the header, never on the wire.
#define namespace name_space
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
