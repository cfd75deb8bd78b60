// A small X client for the X11 saver's end-to-end tests.
//
//   x11_probe window WIDTH HEIGHT
//       Makes and shows a black window of that size (a stand-in for a
//       screen-saver daemon's), prints "id=0x..." once it is mapped, and keeps it until the
//       probe is ended.
//   x11_probe ping WINDOW [--wait MS]
//       Sends WINDOW a _NET_WM_PING and prints "alive=1" once the answer has
//       come back to the root window, or "alive=0" after MS milliseconds
//       (default 10000). A client handles its events in order, so an answer
//       also says that every event queued for it before the ping is handled.
//   x11_probe grabbed
//       Prints "keyboard=1" and "pointer=1" for whichever of the two another
//       client holds grabbed.
//   x11_probe destroy WINDOW
//       Destroys WINDOW, whoever made it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// A window that is gone by the time a request reaches it is an answer too
// ("alive=0"), not a reason to end the probe.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

int Usage() {
  std::fprintf(stderr, "usage: x11_probe window W H | ping WINDOW [--wait MS] | grabbed | destroy WINDOW\n");
  return 2;
}

int MakeWindow(Display* display, int width, int height) {
  const int screen = DefaultScreen(display);
  const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 10, 10,
                                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                            BlackPixel(display, screen), BlackPixel(display, screen));
  XStoreName(display, window, "Quillmoor probe host window");
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XEvent event;
  do XNextEvent(display, &event);
  while (event.type != MapNotify);
  std::printf("id=0x%lx\n", window);
  std::fflush(stdout);
  // Keeps the window until the probe is ended; events are read and dropped.
  for (;;) XNextEvent(display, &event);
}

int Ping(Display* display, Window window, int waitMs) {
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
  const long stamp = static_cast<long>(getpid()) ^ static_cast<long>(
      std::chrono::steady_clock::now().time_since_epoch().count() & 0x7fffffff);

  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(ping);
  event.xclient.data.l[1] = stamp;
  event.xclient.data.l[2] = static_cast<long>(window);
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);

  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    while (XPending(display) > 0) {
      XNextEvent(display, &event);
      if (event.type == ClientMessage && event.xclient.message_type == protocols &&
          static_cast<Atom>(event.xclient.data.l[0]) == ping && event.xclient.data.l[1] == stamp &&
          event.xclient.window == root) {
        std::printf("alive=1\n");
        return 0;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd wait{ConnectionNumber(display), POLLIN, 0};
    poll(&wait, 1, static_cast<int>(left.count()));
  }
  std::printf("alive=0\n");
  return 0;
}

int Grabbed(Display* display) {
  const Window root = DefaultRootWindow(display);
  const int keyboard = XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (keyboard == GrabSuccess) XUngrabKeyboard(display, CurrentTime);
  const int pointer = XGrabPointer(display, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  if (pointer == GrabSuccess) XUngrabPointer(display, CurrentTime);
  XSync(display, False);
  std::printf("keyboard=%d\npointer=%d\n", keyboard == AlreadyGrabbed ? 1 : 0, pointer == AlreadyGrabbed ? 1 : 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x11_probe: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreError);
  const std::string command = argv[1];
  if (command == "window" && argc == 4) return MakeWindow(display, std::atoi(argv[2]), std::atoi(argv[3]));
  if (command == "ping" && (argc == 3 || (argc == 5 && std::strcmp(argv[3], "--wait") == 0)))
    return Ping(display, std::strtoul(argv[2], nullptr, 0), argc == 5 ? std::atoi(argv[4]) : 10000);
  if (command == "grabbed" && argc == 2) return Grabbed(display);
  if (command == "destroy" && argc == 3) {
    XDestroyWindow(display, std::strtoul(argv[2], nullptr, 0));
    XSync(display, False);
    return 0;
  }
  return Usage();
}
