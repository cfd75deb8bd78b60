#include "host/win32/dark_windows.h"

void DarkWindows::Cover(HINSTANCE instance, HWND owner, HWND saver) {
  instance_ = instance;
  owner_ = owner;
  saver_ = saver;
  Layout();
}

void DarkWindows::Layout() {
  laid_ = 0;
  EnumDisplayMonitors(nullptr, nullptr, LayOne, reinterpret_cast<LPARAM>(this));
  // Monitors that have gone leave windows over: they go too.
  while (count_ > laid_) DestroyWindow(windows_[--count_]);
}

BOOL CALLBACK DarkWindows::LayOne(HMONITOR monitor, HDC, LPRECT, LPARAM self) {
  auto* dark = reinterpret_cast<DarkWindows*>(self);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY) != 0) return TRUE;
  if (dark->laid_ < MaxDarkWindows && dark->Place(dark->laid_, info.rcMonitor)) ++dark->laid_;
  return TRUE;
}

bool DarkWindows::Place(int k, const RECT& monitor) {
  // In screen coordinates: left of or above the primary monitor they are negative.
  const int width = monitor.right - monitor.left;
  const int height = monitor.bottom - monitor.top;
  if (k == count_) {
    WNDCLASSEXA windowClass{};
    if (!GetClassInfoExA(instance_, DarkWindowClassName, &windowClass)) {
      windowClass.cbSize = sizeof(windowClass);
      windowClass.lpfnWndProc = WindowProcedure;
      windowClass.hInstance = instance_;
      // No class pointer: the pointer is hidden over the window.
      windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      windowClass.lpszClassName = DarkWindowClassName;
      if (RegisterClassExA(&windowClass) == 0) return false;
    }
    // A popup's parent argument names its owner; the saver's window goes to
    // the window procedure as the creation parameter.
    const HWND window = CreateWindowExA(WS_EX_TOPMOST, DarkWindowClassName, "", WS_POPUP, monitor.left,
                                        monitor.top, width, height, owner_, nullptr, instance_, saver_);
    if (window == nullptr) return false;
    windows_[count_++] = window;
  }
  // Just below the saver's window, so that a monitor overlapping the primary
  // one never hides the scene.
  SetWindowPos(windows_[k], saver_, monitor.left, monitor.top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return true;
}

void DarkWindows::Raise() {
  // Each to the very top, the last made first: only a window put on top
  // of all is restacked on the X server under Wine, while one put below
  // another stays where it was there.
  for (int k = count_ - 1; k >= 0; --k)
    SetWindowPos(windows_[k], HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DarkWindows::Hide() {
  for (int k = 0; k < count_; ++k) ShowWindow(windows_[k], SW_HIDE);
}

void DarkWindows::Close() {
  while (count_ > 0) DestroyWindow(windows_[--count_]);
}

bool DarkWindows::Owns(HWND window) const {
  for (int k = 0; window != nullptr && k < count_; ++k)
    if (window == windows_[k]) return true;
  return false;
}

LRESULT CALLBACK DarkWindows::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto saver = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    // The saver's window takes them as its own: a key ends the saver while
    // one of its windows is active, and a move is measured from the previous
    // one over any of them (it reads the pointer's screen position itself).
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
      if (saver != nullptr) SendMessageA(saver, message, wParam, lParam);
      return 0;
    case WM_MOUSEACTIVATE:
      // A click here activates the saver's window, never another program's,
      // so that the keyboard comes back to the saver.
      if (saver != nullptr && IsWindowVisible(saver)) SetForegroundWindow(saver);
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
    case WM_CLOSE:
      // Closing one of them closes the saver rather than uncover a monitor.
      if (saver != nullptr) PostMessageA(saver, WM_CLOSE, 0, 0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
