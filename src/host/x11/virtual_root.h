// The window that stands for a screen's root. Some window managers and
// screen-saver daemons draw the desktop in a window of their own over the real
// root and mark it with the property __SWM_VROOT on a child of the root; a
// program asked to draw "on the root" draws there, as vroot.h has it.
#pragma once

#include <X11/Xlib.h>

// The window named by __SWM_VROOT on the first child of `screen`'s root that
// carries it, else the root itself.
Window VirtualRootWindow(Display* display, int screen);
