#include "host/x11/saver_loop.h"

#include <X11/extensions/Xrandr.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>
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
// While nothing is drawn, the most often the loop wakes on its own: to ask
// the DPMS level, or to try the grabs again.
constexpr std::chrono::seconds HiddenChoreInterval{1};

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
  // Until the server says it is shown, the own window is not: it is mapped
  // once the loop is set up. A given window is as its owner left it.
  gate_.SetSurfaceShown(window_.Own() ? false : window_.Viewable());
  WatchScreenSaver();
}

void SaverLoop::WatchScreenSaver() {
  int events = 0, errors = 0;
  const Window root = window_.Root();
  if (XScreenSaverQueryExtension(display_, &events, &errors)) {
    screenSaverEvents_ = events;
    XScreenSaverSelectInput(display_, root, ScreenSaverNotifyMask);
    if (XScreenSaverInfo* info = XScreenSaverAllocInfo()) {
      if (XScreenSaverQueryInfo(display_, root, info))
        gate_.SetScreenBlanked(info->state == ScreenSaverOn &&
                               !(info->kind == ScreenSaverExternal && ShowsThisWindow(info->window)));
      XFree(info);
    }
  }
  int dpmsEvents = 0, dpmsErrors = 0;
  dpms_ = DPMSQueryExtension(display_, &dpmsEvents, &dpmsErrors) && DPMSCapable(display_);
  if (dpms_) AskDpms();
  TakeX11Error(display_);
}

bool SaverLoop::ShowsThisWindow(Window saverWindow) const {
  // The server's saver shows a client's window (the "external" kind): the
  // saver draws on if that window is its own or holds it.
  for (Window window = window_.XWindow(); window != None && window != window_.Root();) {
    if (window == saverWindow) return true;
    Window root = None, parent = None, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) {
      // Destroyed meanwhile: its DestroyNotify tells, not this error.
      TakeX11Error(display_);
      return false;
    }
    if (children != nullptr) XFree(children);
    window = parent;
  }
  return false;
}

void SaverLoop::AskDpms() {
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  if (DPMSInfo(display_, &level, &enabled)) gate_.SetDisplay(DisplayPowerFromDpms(enabled != False, level));
  nextDpmsQuestion_ = FramePacer::Clock::now() + HiddenChoreInterval;
}

void SaverLoop::HandleScreenSaver(const XEvent& event) {
  const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
  if (notify.state == ScreenSaverOn)
    gate_.SetScreenBlanked(!(notify.kind == ScreenSaverExternal && ShowsThisWindow(notify.window)));
  else if (notify.state == ScreenSaverOff)
    gate_.SetScreenBlanked(false);
  // A cycle leaves the server's saver on.
}

std::optional<FramePacer::Clock::time_point> SaverLoop::Chores(FramePacer::Clock::time_point now) {
  std::optional<FramePacer::Clock::time_point> next;
  if (dpms_) {
    if (now >= nextDpmsQuestion_) AskDpms();
    next = nextDpmsQuestion_;
  }
  if (raise_) Raise();
  if (!gate_.Draws() && window_.Own() && mapped_ && !(keyboardGrabbed_ && pointerGrabbed_)) {
    if (now >= nextGrabAttempt_) {
      TakeInput();
      nextGrabAttempt_ = now + HiddenChoreInterval;
    }
    if (!(keyboardGrabbed_ && pointerGrabbed_) && (!next || nextGrabAttempt_ < *next)) next = nextGrabAttempt_;
  }
  return next;
}

void SaverLoop::Raise() {
  XRaiseWindow(display_, window_.XWindow());
  XFlush(display_);
  raise_ = false;
}

SaverEnd SaverLoop::Run() {
  FramePacer pacer(FramePacer::Clock::now(), delay_);
  pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signals_.Descriptor(), POLLIN, 0}};
  bool drawing = gate_.Draws();

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

    FramePacer::Clock::time_point now = FramePacer::Clock::now();
    const std::optional<FramePacer::Clock::time_point> chores = Chores(now);
    if (!gate_.Draws()) {
      // Asleep until an event, a signal or the next chore: no frame is due.
      drawing = false;
      timespec timeout{};
      if (chores) timeout = AsTimespec(*chores > now ? *chores - now : FramePacer::Duration::zero());
      if (ppoll(waits, 2, chores ? &timeout : nullptr, nullptr) < 0 && errno != EINTR) {
        error_ = std::string("waiting for events failed: ") + std::strerror(errno);
        End(SaverEnd::XError);
      }
      continue;
    }
    // Seen again: the next frame now, the beat going on from it.
    if (!drawing) pacer.DueAt(now);
    drawing = true;

    const FramePacer::Duration remaining = pacer.Remaining(now);
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
      if (event.xmap.window == window) {
        mapped_ = true;
        gate_.SetSurfaceShown(true);
      }
      break;
    case UnmapNotify:
      if (event.xunmap.window == window) {
        mapped_ = false;
        gate_.SetSurfaceShown(false);
      }
      break;
    case VisibilityNotify:
      if (event.xvisibility.window != window) break;
      gate_.SetSurfaceCovered(event.xvisibility.state == VisibilityFullyObscured);
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
      if (screenSaverEvents_ >= 0 && event.type == screenSaverEvents_ + ScreenSaverNotify) {
        HandleScreenSaver(event);
        break;
      }
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
