#include "host/x11/glx_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/text/escaped_text.h"
#include "host/x11/visual_choice.h"
#include "host/x11/x11_errors.h"

namespace {

std::string Hex(unsigned long value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", value);
  return text;
}

int Attribute(Display* display, GLXFBConfig config, int name) {
  int value = 0;
  glXGetFBConfigAttrib(display, config, name, &value);
  return value;
}

FramebufferTraits TraitsOf(Display* display, GLXFBConfig config) {
  FramebufferTraits t;
  t.DoubleBuffer = Attribute(display, config, GLX_DOUBLEBUFFER) != 0;
  t.Rgba = (Attribute(display, config, GLX_RENDER_TYPE) & GLX_RGBA_BIT) != 0;
  t.DrawsToWindow = (Attribute(display, config, GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) != 0;
  t.VisualId = static_cast<unsigned long>(Attribute(display, config, GLX_VISUAL_ID));
  t.TrueColour = Attribute(display, config, GLX_X_VISUAL_TYPE) == GLX_TRUE_COLOR;
  if (XVisualInfo* visual = glXGetVisualFromFBConfig(display, config)) {
    t.VisualDepth = visual->depth;
    XFree(visual);
  } else {
    t.VisualId = 0;
  }
  t.Red = Attribute(display, config, GLX_RED_SIZE);
  t.Green = Attribute(display, config, GLX_GREEN_SIZE);
  t.Blue = Attribute(display, config, GLX_BLUE_SIZE);
  t.Alpha = Attribute(display, config, GLX_ALPHA_SIZE);
  t.Depth = Attribute(display, config, GLX_DEPTH_SIZE);
  t.Stencil = Attribute(display, config, GLX_STENCIL_SIZE);
  t.Accum = Attribute(display, config, GLX_ACCUM_RED_SIZE) + Attribute(display, config, GLX_ACCUM_GREEN_SIZE) +
            Attribute(display, config, GLX_ACCUM_BLUE_SIZE) + Attribute(display, config, GLX_ACCUM_ALPHA_SIZE);
  t.AuxBuffers = Attribute(display, config, GLX_AUX_BUFFERS);
  t.Caveat = Attribute(display, config, GLX_CONFIG_CAVEAT) != GLX_NONE;
  return t;
}

}  // namespace

bool GlxWindow::CheckGlx(int screen, std::string& error) {
  int errorBase = 0, eventBase = 0, major = 0, minor = 0;
  if (!glXQueryExtension(display_, &errorBase, &eventBase)) {
    error = "the X display " + EscapeControls(DisplayString(display_)) + " has no GLX extension";
    return false;
  }
  // Framebuffer configurations came with GLX 1.3.
  if (!glXQueryVersion(display_, &major, &minor) || major < 1 || (major == 1 && minor < 3)) {
    error = "GLX " + std::to_string(major) + "." + std::to_string(minor) + " on screen " +
            std::to_string(screen) + ": 1.3 or later is needed";
    return false;
  }
  return true;
}

bool GlxWindow::ChooseConfig(int screen, const XWindowAttributes* existing, std::string& error) {
  if (!CheckGlx(screen, error)) return false;
  int count = 0;
  GLXFBConfig* configs = glXGetFBConfigs(display_, screen, &count);
  std::vector<FramebufferTraits> traits;
  for (int i = 0; i < count; ++i) traits.push_back(TraitsOf(display_, configs[i]));

  std::optional<unsigned long> visualId;
  if (existing != nullptr) visualId = XVisualIDFromVisual(existing->visual);
  const std::optional<std::size_t> chosen = ChooseClosestFramebuffer(traits, visualId);
  if (chosen) config_ = configs[*chosen];
  if (configs != nullptr) XFree(configs);

  if (!chosen) {
    error = "no GLX visual with double-buffered RGBA drawing to a window on screen " + std::to_string(screen);
    if (visualId) error += " with the window's visual " + Hex(*visualId);
    return false;
  }
  return true;
}

bool GlxWindow::CreateOwn(std::string& error) {
  const int screen = DefaultScreen(display_);
  if (!ChooseConfig(screen, nullptr, error)) return false;
  XVisualInfo* visual = glXGetVisualFromFBConfig(display_, config_);
  if (visual == nullptr) {
    error = "the chosen GLX configuration has no X visual";
    return false;
  }

  root_ = RootWindow(display_, screen);
  width_ = DisplayWidth(display_, screen);
  height_ = DisplayHeight(display_, screen);

  // A one-pixel cursor with nothing set in its mask shows nothing.
  static const char noBits[1] = {0};
  const Pixmap blank = XCreateBitmapFromData(display_, root_, noBits, 1, 1);
  XColor black{};
  invisibleCursor_ = XCreatePixmapCursor(display_, blank, blank, &black, &black, 0, 0);
  XFreePixmap(display_, blank);

  colormap_ = XCreateColormap(display_, root_, visual->visual, AllocNone);
  XSetWindowAttributes attributes{};
  attributes.colormap = colormap_;
  attributes.background_pixel = 0;  // black in a TrueColor visual
  attributes.border_pixel = 0;
  // The window manager leaves it alone: no frame, no placement of its own, on
  // top, at (0, 0) at once. Without a window manager this is simply what any
  // window gets; with one, it keeps the window from being decorated, moved or
  // resized under the panels. Keys then come by grabbing the keyboard.
  attributes.override_redirect = True;
  attributes.cursor = invisibleCursor_;
  attributes.event_mask = KeyPressMask | PointerMotionMask | ButtonPressMask | StructureNotifyMask |
                          FocusChangeMask | VisibilityChangeMask;
  window_ = XCreateWindow(display_, root_, 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                          0, visual->depth, InputOutput, visual->visual,
                          CWColormap | CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWCursor | CWEventMask,
                          &attributes);
  XFree(visual);
  own_ = true;
  NameOwnWindow();
  // A change of the screen's size (RandR) shows as the root window's
  // ConfigureNotify; the window follows it.
  XSelectInput(display_, root_, StructureNotifyMask);

  const std::string problem = TakeX11Error(display_);
  if (!problem.empty()) {
    error = "the saver's window could not be created: " + problem;
    return false;
  }
  return true;
}

void GlxWindow::NameOwnWindow() {
  XStoreName(display_, window_, SaverWindowTitle);
  const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
  XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(SaverWindowTitle),
                  static_cast<int>(std::strlen(SaverWindowTitle)));

  XClassHint hint{};
  char name[] = "quillmoor", className[] = "Quillmoor";
  hint.res_name = name;
  hint.res_class = className;
  XSetClassHint(display_, window_, &hint);

  // A close request ends the saver as input does; a ping is answered so that
  // anyone can tell the saver still takes its events.
  wmProtocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
  wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  netWmPing_ = XInternAtom(display_, "_NET_WM_PING", False);
  Atom protocols[] = {wmDeleteWindow_, netWmPing_};
  XSetWMProtocols(display_, window_, protocols, 2);
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

bool GlxWindow::Adopt(Window window, std::string& error) {
  // Only the window's size, whether it can be seen, and its end matter here;
  // its input is its owner's. They are followed before the size is read, so
  // that a change in between, while GLX is set up, say, comes as an event.
  XSelectInput(display_, window, StructureNotifyMask | VisibilityChangeMask);
  if (!TakeX11Error(display_).empty()) {
    error = "no window " + Hex(window) + " on the X display " + EscapeControls(DisplayString(display_));
    return false;
  }
  window_ = window;
  own_ = false;
  XWindowAttributes attributes{};
  const Status found = XGetWindowAttributes(display_, window, &attributes);
  const std::string problem = TakeX11Error(display_);
  if (!found || !problem.empty()) {
    // Destroyed since: Destroyed() tells.
    error = "window " + Hex(window) + " is gone: " + problem;
    return false;
  }
  if (attributes.c_class != InputOutput) {
    error = "window " + Hex(window) + " is input-only: nothing can be drawn in it";
    return false;
  }
  const int screen = XScreenNumberOfScreen(attributes.screen);
  if (!ChooseConfig(screen, &attributes, error)) return false;
  root_ = attributes.root;
  viewable_ = attributes.map_state == IsViewable;
  width_ = attributes.width;
  height_ = attributes.height;
  return true;
}

bool GlxWindow::Destroyed() {
  if (own_ || window_ == None) return false;
  // Followed from Adopt on, a destroyed window has told so by the time an
  // error of a request on it has come back.
  XEvent event;
  if (!XCheckTypedWindowEvent(display_, window_, DestroyNotify, &event)) return false;
  window_ = None;
  return true;
}

bool GlxWindow::CreateContext(std::string& error) {
  context_ = glXCreateNewContext(display_, config_, GLX_RGBA_TYPE, nullptr, True);
  if (context_ == nullptr) context_ = glXCreateNewContext(display_, config_, GLX_RGBA_TYPE, nullptr, False);
  if (context_ == nullptr) {
    TakeX11Error(display_);
    error = "no GLX rendering context could be created";
    return false;
  }
  const Bool current = glXMakeCurrent(display_, window_, context_);
  const std::string problem = TakeX11Error(display_);
  if (!current || !problem.empty()) {
    error = "the GLX rendering context could not be made current on window " + Hex(window_) +
            (problem.empty() ? std::string() : ": " + problem);
    return false;
  }
  return true;
}

void GlxWindow::Release() {
  if (context_ != nullptr) {
    glXMakeCurrent(display_, None, nullptr);
    glXDestroyContext(display_, context_);
    context_ = nullptr;
  }
  if (own_ && window_ != None) XDestroyWindow(display_, window_);
  window_ = None;
  if (invisibleCursor_ != None) XFreeCursor(display_, invisibleCursor_);
  invisibleCursor_ = None;
  if (colormap_ != None) XFreeColormap(display_, colormap_);
  colormap_ = None;
  XSync(display_, False);
}
