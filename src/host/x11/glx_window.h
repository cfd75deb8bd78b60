// The window the saver draws into and its GLX rendering context: either a
// full-screen window of its own on the default screen (override-redirect, so
// it covers the screen at (0, 0) whether a window manager runs or not, with
// an invisible pointer), or a window someone else made (the root window, or a
// screen-saver daemon's), whose visual then decides the configuration.
#pragma once

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <string>

inline constexpr const char* SaverWindowTitle = "Quillmoor";

class GlxWindow {
 public:
  explicit GlxWindow(Display* display) : display_(display) {}
  GlxWindow(const GlxWindow&) = delete;
  GlxWindow& operator=(const GlxWindow&) = delete;
  ~GlxWindow() { Release(); }

  // Creates the saver's own window over the whole default screen, not yet
  // shown, with the configuration closest to the saver's pixel format. On
  // failure says why in `error`.
  bool CreateOwn(std::string& error);

  // Draws into `window` from now on, at its current size; follows its size
  // changes and its destruction.
  bool Adopt(Window window, std::string& error);

  // After a failure in setting up a given window: whether it failed because
  // the window was destroyed meanwhile (its owner ending the saver). The
  // window is then forgotten.
  bool Destroyed();

  // Creates the rendering context and makes it current on the window.
  bool CreateContext(std::string& error);

  // Makes no context current and deletes the context; destroys the window and
  // what belongs to it if it is the saver's own. Skips what never existed.
  void Release();

  Display* XDisplay() const { return display_; }
  Window XWindow() const { return window_; }
  Window Root() const { return root_; }
  bool Own() const { return own_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
  }
  // A given window was shown when it was adopted (mapped, and all its
  // ancestors too).
  bool Viewable() const { return viewable_; }
  bool HasContext() const { return context_ != nullptr; }

  // Answers to the window manager's protocols (own window only).
  Atom WmProtocols() const { return wmProtocols_; }
  Atom WmDeleteWindow() const { return wmDeleteWindow_; }
  Atom NetWmPing() const { return netWmPing_; }

  // The own window's invisible pointer, for the pointer grab.
  Cursor InvisibleCursor() const { return invisibleCursor_; }

  // The window is gone (destroyed by whoever made it): nothing is drawn or
  // released on it any more.
  void Forget() { window_ = None; }

 private:
  bool CheckGlx(int screen, std::string& error);
  bool ChooseConfig(int screen, const XWindowAttributes* existing, std::string& error);
  void NameOwnWindow();

  Display* display_;
  Window window_ = None;
  Window root_ = None;
  bool own_ = false;
  bool viewable_ = true;
  int width_ = 0, height_ = 0;
  GLXFBConfig config_ = nullptr;
  Colormap colormap_ = None;
  Cursor invisibleCursor_ = None;
  GLXContext context_ = nullptr;
  Atom wmProtocols_ = None, wmDeleteWindow_ = None, netWmPing_ = None;
};
