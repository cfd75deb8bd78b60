// The OpenGL rendering context of a saver window: the pixel format asked for,
// creating the context on the window's device context, and releasing both.
#pragma once

#include "base/opengl.h"

// Double-buffered RGBA drawn to a window: 32 colour bits, 16 depth bits, no
// stencil, no accumulation, no auxiliary buffers. Every other field is 0.
extern const PIXELFORMATDESCRIPTOR SaverPixelFormat;

struct RenderingContext {
  HDC DeviceContext = nullptr;
  HGLRC GlContext = nullptr;
};

// Asks for the closest format to SaverPixelFormat and sets it on the device
// context if there is one. True only if a format was set; callers go on either
// way, and whatever fails then simply draws nothing.
bool SelectPixelFormat(HDC deviceContext);

// Gets the window's device context, sets the pixel format, creates a rendering
// context on it and makes it current on the calling thread. Either handle is
// null if the system refused it.
RenderingContext CreateRenderingContext(HWND window);

// Makes no context current, deletes the rendering context and releases the
// device context; skips whatever was never obtained and leaves both null.
void ReleaseRenderingContext(HWND window, RenderingContext& context);
