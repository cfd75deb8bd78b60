// Preloaded into a saver by the end-to-end tests: right after each buffer
// swap (GLX's or EGL's) it fills the whole buffer the next frame draws into
// with green, the clipping to the band and the clear colour left as they
// were. A fresh buffer starts black, which is what a saver must show outside
// its band anyway; with this, anything a frame leaves undrawn shows green.
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>

static void FillGreen(void) {
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glPopAttrib();
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  void (*swap)(void*, unsigned long) = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
  swap(display, drawable);
  FillGreen();
}

unsigned eglSwapBuffers(void* display, void* surface) {
  unsigned (*swap)(void*, void*) = (unsigned (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
  const unsigned swapped = swap(display, surface);
  FillGreen();
  return swapped;
}
