#include "host/x11/virtual_root.h"

#include <X11/Xatom.h>

#include "host/x11/x11_errors.h"

Window VirtualRootWindow(Display* display, int screen) {
  const Window root = RootWindow(display, screen);
  const Atom vroot = XInternAtom(display, "__SWM_VROOT", False);
  Window rootReturn = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return root;

  Window found = None;
  for (unsigned i = 0; i < count && found == None; ++i) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    // The value is a window id; whatever type its setter gave it (WINDOW by
    // convention, CARDINAL from tools that cannot say WINDOW), 32 bits of it.
    if (XGetWindowProperty(display, children[i], vroot, 0, 1, False, AnyPropertyType, &type, &format, &items,
                           &after, &data) == Success &&
        data != nullptr && format == 32 && items == 1) {
      found = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data != nullptr) XFree(data);
  }
  if (children != nullptr) XFree(children);
  // A child gone between the query and its property is simply not the one.
  TakeX11Error(display);
  return found != None ? found : root;
}
