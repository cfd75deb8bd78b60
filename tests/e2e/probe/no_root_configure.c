// Preloaded into the X11 saver by the end-to-end tests to stand for a server
// that tells a change of the screen's layout by RandR's events alone: every
// ConfigureNotify of a root window the saver reads becomes an event it does
// not handle (GravityNotify), so the root's size and the change reach it only
// as RandR says them.
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>

int XNextEvent(Display* display, XEvent* event) {
  int (*next)(Display*, XEvent*) = (int (*)(Display*, XEvent*))dlsym(RTLD_NEXT, "XNextEvent");
  const int result = next(display, event);
  if (event->type == ConfigureNotify)
    for (int screen = 0; screen < ScreenCount(display); ++screen)
      if (event->xconfigure.window == RootWindow(display, screen)) event->type = GravityNotify;
  return result;
}
