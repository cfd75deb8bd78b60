// Preloaded into a saver by the end-to-end tests: right after each buffer
// swap (GLX's or EGL's) it fills the whole buffer the next frame draws into
// with green, the clipping to the band and the clear colour left as they
// were. A fresh buffer starts black, which is what a saver must show outside
// its band anyway; with this, anything a frame leaves undrawn shows green.
// With SWAP_LOG set to a file's path it also appends one line to that file
// per swap: the moment of the swap on the monotonic clock, in microseconds,
// so that a script can count the frames drawn in a period.
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static void LogSwap(void) {
  static int log = -2;
  if (log == -2) {
    const char* path = getenv("SWAP_LOG");
    log = path != NULL && *path != '\0' ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
  }
  if (log < 0) return;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[32];
  const int length = snprintf(line, sizeof line, "%lld\n", (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000);
  if (write(log, line, (size_t)length) < 0) return;
}

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
  LogSwap();
  FillGreen();
}

unsigned eglSwapBuffers(void* display, void* surface) {
  unsigned (*swap)(void*, void*) = (unsigned (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
  const unsigned swapped = swap(display, surface);
  LogSwap();
  FillGreen();
  return swapped;
}
