// The application's own window, as a Windows application framework keeps one:
// a top-level window of no size whose caption is the application title. It
// owns the saver's top-level window, so that the task bar and Alt+Tab list the
// program under its title and icon, not under the caption of the window that
// shows; an owned window gets no task bar button of its own. It draws nothing
// and passes on what reaches it: activation (from the task bar or Alt+Tab)
// and close requests go to the window it owns.
#pragma once

#include "base/opengl.h"

inline constexpr const char* ApplicationWindowClassName = "QuillmoorApplication";

class ApplicationWindow {
 public:
  ApplicationWindow() = default;
  ApplicationWindow(const ApplicationWindow&) = delete;
  ApplicationWindow& operator=(const ApplicationWindow&) = delete;
  // Destroys the window if it is still there.
  ~ApplicationWindow();

  // Creates it, not yet visible, with the title as its caption. False if the
  // system gave no window; the saver's windows are then simply not owned.
  bool Create(HINSTANCE instance, const char* title);

  // The window that activation and close requests are passed on to.
  void SetMainWindow(HWND window) { main_ = window; }

  // Makes it visible without activating it. Having no size it shows nothing
  // but its task bar button and its Alt+Tab entry.
  void Show();

  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  HWND main_ = nullptr;
};
