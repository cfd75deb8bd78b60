#include "host/x11/saver_loop.h"

#include <X11/extensions/Xrandr.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "frame/frame.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"
#include "host/x11/x11_errors.h"

namespace {

// About a second of failed attempts before saying so; the saver keeps trying.
constexpr int GrabAttemptsBeforeWarning = 33;

}  // namespace

SaverLoop::SaverLoop(GlxWindow& window, const StopSignals& signals, std::chrono::microseconds delay,
                     std::optional<PointerJump> pointerAtStart)
    : window_(window), display_(window.XDisplay()), signals_(signals), delay_(delay), pointer_(pointerAtStart) {
  // Told of every change of the screen's layout, to the window the saver made.
  int errors = 0;
  if (window_.Own() && XRRQueryExtension(display_, &randrEvents_, &errors))
    XRRSelectInput(display_, window_.XWindow(),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  else
    randrEvents_ = -1;
}

SaverEnd SaverLoop::Run() {
  FramePacer pacer(FramePacer::Clock::now(), delay_);
  pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signals_.Descriptor(), POLLIN, 0}};

  while (!end_) {
    if (signals_.Arrived()) {
      End(SaverEnd::Signal);
      break;
    }
    // XPending also sends what is queued and reads what has arrived.
    while (!end_ && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
    }
    if (end_) break;

    const FramePacer::Duration remaining = pacer.Remaining(FramePacer::Clock::now());
    if (remaining == FramePacer::Duration::zero()) {
      DrawFrame();
      pacer.FrameDone(FramePacer::Clock::now());
      continue;
    }
    const timespec timeout = AsTimespec(remaining);
    if (ppoll(waits, 2, &timeout, nullptr) < 0 && errno != EINTR) {
      error_ = std::string("waiting for events failed: ") + std::strerror(errno);
      End(SaverEnd::XError);
    }
  }
  // A daemon that ends the saver signals it and then destroys its window: the
  // signal, delivered before the window's DestroyNotify was read, says how
  // the saver ended.
  if (*end_ == SaverEnd::WindowGone && signals_.Arrived()) end_ = SaverEnd::Signal;
  if (window_.Own() && (*end_ == SaverEnd::Input || *end_ == SaverEnd::CloseRequest)) Hide();
  return *end_;
}

void SaverLoop::DrawFrame() {
  if (window_.Own() && mapped_ && !(keyboardGrabbed_ && pointerGrabbed_)) TakeInput();
  if (raise_) {
    XRaiseWindow(display_, window_.XWindow());
    raise_ = false;
  }
  if (resized_) ApplyNewSize();

  ClearAroundScene();
  Timer1Timer();

  // A round trip per frame: the saver never runs ahead of the server, and an
  // error from this frame's requests shows here.
  const std::string problem = TakeX11Error(display_);
  if (problem.empty()) return;
  // The given window destroyed under the frame: its DestroyNotify came in
  // before the errors of the requests that followed it.
  while (!end_ && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    Handle(event);
  }
  if (!end_) {
    error_ = "X error while drawing: " + problem;
    End(SaverEnd::XError);
  }
}

void SaverLoop::TakeInput() {
  const Window window = window_.XWindow();
  if (!keyboardGrabbed_) {
    keyboardGrabbed_ = XGrabKeyboard(display_, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
                       GrabSuccess;
    if (keyboardGrabbed_) active_ = true;
  }
  if (!pointerGrabbed_) {
    pointerGrabbed_ = XGrabPointer(display_, window, True, PointerMotionMask | ButtonPressMask, GrabModeAsync,
                                   GrabModeAsync, None, window_.InvisibleCursor(), CurrentTime) == GrabSuccess;
  }
  if (!(keyboardGrabbed_ && pointerGrabbed_) && ++grabAttempts_ == GrabAttemptsBeforeWarning)
    std::fprintf(stderr, "quillmoor: another program holds the %s; trying on\n",
                 keyboardGrabbed_ ? "pointer" : pointerGrabbed_ ? "keyboard" : "keyboard and the pointer");
}

void SaverLoop::ApplyNewSize() {
  resized_ = false;
  // Laid out again for the new shape, as at start: the clock's place, the
  // countdown's and the backdrop's all follow the aspect.
  CreateScene(SceneKind::FullScreen, window_.Width(), window_.Height());
  ApplySceneArea(SceneKind::FullScreen, window_.Width(), window_.Height());
}

void SaverLoop::Hide() {
  // The pointer shows again once the window is gone and the grabs are over.
  XUnmapWindow(display_, window_.XWindow());
  if (pointerGrabbed_) XUngrabPointer(display_, CurrentTime);
  if (keyboardGrabbed_) XUngrabKeyboard(display_, CurrentTime);
  pointerGrabbed_ = keyboardGrabbed_ = false;
  XFlush(display_);
}

void SaverLoop::Handle(const XEvent& event) {
  const Window window = window_.XWindow();
  switch (event.type) {
    case KeyPress:
      // Only the window with the keyboard gets key events: any key ends it,
      // modifiers alone included.
      if (window_.Own()) End(SaverEnd::Input);
      break;
    case MotionNotify:
      // The pointer's screen position at this event.
      if (pointer_ && event.xmotion.same_screen) {
        if (!active_ || event.xmotion.serial < layoutSettled_)
          pointer_->Remember(event.xmotion.x_root, event.xmotion.y_root);
        else if (pointer_->Moved(event.xmotion.x_root, event.xmotion.y_root))
          End(SaverEnd::Input);
      }
      break;
    // While another window has the keyboard, moves only keep the position.
    case FocusIn:
      if (event.xfocus.window == window) active_ = true;
      break;
    case FocusOut:
      if (event.xfocus.window == window) active_ = false;
      break;
    case MapNotify:
      if (event.xmap.window == window) mapped_ = true;
      break;
    case UnmapNotify:
      if (event.xunmap.window == window) mapped_ = false;
      break;
    case VisibilityNotify:
      if (window_.Own() && event.xvisibility.state != VisibilityUnobscured) raise_ = true;
      break;
    case ConfigureNotify: {
      const XConfigureEvent& configure = event.xconfigure;
      if (configure.window == window) {
        if (configure.width != window_.Width() || configure.height != window_.Height()) {
          window_.SetSize(configure.width, configure.height);
          resized_ = true;
        }
      } else if (window_.Own() && configure.window == window_.Root()) {
        // The screen changed size: cover it again.
        LayoutChanged();
        XMoveResizeWindow(display_, window, 0, 0, static_cast<unsigned>(configure.width),
                          static_cast<unsigned>(configure.height));
      }
      break;
    }
    case DestroyNotify:
      if (event.xdestroywindow.window == window) {
        window_.Forget();
        End(SaverEnd::WindowGone);
      }
      break;
    case ClientMessage:
      HandleClientMessage(event.xclient);
      break;
    default:
      if (randrEvents_ >= 0 &&
          (event.type == randrEvents_ + RRScreenChangeNotify || event.type == randrEvents_ + RRNotify)) {
        XEvent copy = event;
        XRRUpdateConfiguration(&copy);
        LayoutChanged();
      }
      break;
  }
}

void SaverLoop::LayoutChanged() {
  // The server tells of a change as it makes it and moves the pointer for it
  // right after (the motion waits in its input queue until it reads the next
  // request of any client); a request sent now is read after that motion was
  // made, whether or not there was one.
  layoutSettled_ = NextRequest(display_);
  XNoOp(display_);
  XFlush(display_);
}

void SaverLoop::HandleClientMessage(const XClientMessageEvent& message) {
  if (!window_.Own() || message.message_type != window_.WmProtocols() || message.format != 32) return;
  const Atom protocol = static_cast<Atom>(message.data.l[0]);
  if (protocol == window_.WmDeleteWindow()) {
    End(SaverEnd::CloseRequest);
  } else if (protocol == window_.NetWmPing()) {
    // Sent back to the root window, unchanged but for the window field.
    XEvent reply{};
    reply.xclient = message;
    reply.xclient.window = window_.Root();
    XSendEvent(display_, window_.Root(), False, SubstructureNotifyMask | SubstructureRedirectMask, &reply);
    XFlush(display_);
  }
}
