// Choosing the EGL configuration closest to the windows' pixel format, for the
// Linux hosts that draw through EGL (the headless renderer and the Wayland
// saver).
#pragma once

#include <EGL/egl.h>

#include <string>
#include <vector>

// The candidate closest to 8 bits in each of red, green and blue (wider
// channels round differently and cost the rasteriser more), then 16 depth
// bits, no multisampling, no caveat, colour bits nearest 32, as few stencil
// bits as there are. With `opaque` a configuration without alpha comes
// first: a surface's alpha goes to the compositor, which would blend the
// picture with what lies below it (the clear colour's alpha is 0).
// `candidates` must not be empty.
EGLConfig ClosestEglConfig(EGLDisplay display, const std::vector<EGLConfig>& candidates, bool opaque);

// "`what` failed (EGL error 0x300C)", with the thread's last EGL error.
std::string EglErrorText(const char* what);
