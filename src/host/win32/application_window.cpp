#include "host/win32/application_window.h"

#include "host/win32/resources/resource_ids.h"

namespace {

// Posted to itself when it has been activated: activation is passed on once
// the activation that brought it here has finished.
constexpr UINT PassActivationMessage = WM_APP + 1;

}  // namespace

ApplicationWindow::~ApplicationWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool ApplicationWindow::Create(HINSTANCE instance, const char* title) {
  WNDCLASSEXA windowClass{};
  if (!GetClassInfoExA(instance, ApplicationWindowClassName, &windowClass)) {
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    // The task bar button and the Alt+Tab entry show the class's icons.
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(QUILLMOOR_ICON));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(QUILLMOOR_ICON), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.lpszClassName = ApplicationWindowClassName;
    if (RegisterClassExA(&windowClass) == 0) return false;
  }

  // No size, in the middle of the primary screen, the screen the saver covers
  // (a task bar on each screen lists a window on the screen it lies on).
  // A popup with a caption and a system menu: the caption is the title the
  // task bar shows, the system menu gives its button a Close command.
  window_ = CreateWindowExA(0, ApplicationWindowClassName, title, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, instance, this);
  return window_ != nullptr;
}

void ApplicationWindow::Show() {
  if (window_ == nullptr) return;
  SetWindowPos(window_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

LRESULT CALLBACK ApplicationWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = static_cast<ApplicationWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<ApplicationWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT ApplicationWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      // Activated through its task bar button or Alt+Tab: the keyboard must
      // reach the saver's window, which ends on a key only while it is the
      // active window.
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageA(window_, PassActivationMessage, 0, 0);
      break;
    case PassActivationMessage:
      // Only while it still is the active window and the saver's window can
      // take over: a hidden window (the saver ending) is not brought back.
      if (GetActiveWindow() == window_ && main_ != nullptr && IsWindowVisible(main_) && IsWindowEnabled(main_))
        SetActiveWindow(main_);
      return 0;
    case WM_CLOSE:
      // The task bar's Close: the saver's window closes as it would when
      // any other program asked it to, and the process ends with it.
      if (main_ != nullptr && IsWindow(main_)) {
        PostMessageA(main_, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_DESTROY:
      SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}
