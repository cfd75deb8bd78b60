#include "host/win32/rendering_context.h"

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

const PIXELFORMATDESCRIPTOR SaverPixelFormat = {
    sizeof(PIXELFORMATDESCRIPTOR),                                // nSize: 40
    1,                                                            // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,   // dwFlags: 0x25
    PFD_TYPE_RGBA,                                                // iPixelType
    32,                                                           // cColorBits
    0, 0, 0, 0, 0, 0,                                             // red, green, blue bits and shifts
    0, 0,                                                         // alpha bits and shift
    0, 0, 0, 0, 0,                                                // accumulation
    16,                                                           // cDepthBits
    0,                                                            // cStencilBits
    0,                                                            // cAuxBuffers
    PFD_MAIN_PLANE,                                               // iLayerType
    0,                                                            // bReserved
    0, 0, 0,                                                      // layer, visible and damage masks
};

bool SelectPixelFormat(HDC deviceContext) {
  const int format = ChoosePixelFormat(deviceContext, &SaverPixelFormat);
  if (format == 0) return false;
  return SetPixelFormat(deviceContext, format, &SaverPixelFormat) != FALSE;
}

RenderingContext CreateRenderingContext(HWND window) {
  RenderingContext context;
  context.DeviceContext = GetDC(window);
  SelectPixelFormat(context.DeviceContext);
  context.GlContext = wglCreateContext(context.DeviceContext);
  wglMakeCurrent(context.DeviceContext, context.GlContext);
  return context;
}

void ReleaseRenderingContext(HWND window, RenderingContext& context) {
  if (context.GlContext != nullptr) {
    wglMakeCurrent(context.DeviceContext, nullptr);
    wglDeleteContext(context.GlContext);
    context.GlContext = nullptr;
  }
  if (context.DeviceContext != nullptr) {
    ReleaseDC(window, context.DeviceContext);
    context.DeviceContext = nullptr;
  }
}
