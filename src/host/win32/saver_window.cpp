#include "host/win32/saver_window.h"

#include "frame/frame.h"
#include "frame/outline_font.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"

namespace {

constexpr UINT_PTR Timer1Id = 1;

// GUID_CONSOLE_DISPLAY_STATE: the display of the console session turned off
// (0), on (1) or dimmed (2).
constexpr GUID ConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

}  // namespace

bool SaverWindow::Create(HINSTANCE instance, HWND owner) {
  WNDCLASSEXA windowClass{};
  if (!GetClassInfoExA(instance, SaverWindowClassName, &windowClass)) {
    windowClass.cbSize = sizeof(windowClass);
    // The device context is held from FormShow to the close: the window gets
    // one of its own.
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = SaverWindowClassName;
    if (RegisterClassExA(&windowClass) == 0) return false;
  }

  // Borderless and topmost; FormCreate gives it its size, Show makes it visible.
  // A popup's parent argument names its owner.
  window_ = CreateWindowExA(WS_EX_TOPMOST, SaverWindowClassName, SaverWindowCaption, WS_POPUP, 0, 0, 0, 0,
                            owner, nullptr, instance, this);
  if (window_ == nullptr) return false;
  instance_ = instance;

  // Timer1 ticks from creation on; its first tick is handled once the message
  // loop runs, after FormShow.
  SetTimer(window_, Timer1Id, Timer1Interval, nullptr);
  // Told of the display's state: at once, then on every change. A system
  // without the notification (it came with Vista) leaves the timer alone.
  powerNotification_ = RegisterPowerSettingNotification(window_, &ConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  FormCreate();
  return true;
}

void SaverWindow::Show() {
  // The black windows come first, shown without taking the activation, so
  // that this window ends up active and above them.
  dark_.Cover(instance_, GetWindow(window_, GW_OWNER), window_);
  FormShow();
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  UpdateWindow(window_);
}

void SaverWindow::FormCreate() {
  // The client area is the primary screen; with no frame the window rect is
  // the client rect, but the frame's size is asked for all the same.
  const int clientWidth = GetSystemMetrics(SM_CXSCREEN);
  const int clientHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT bounds = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&bounds, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
  SetWindowPos(window_, HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, SWP_NOACTIVATE);

  RECT client{};
  GetClientRect(window_, &client);
  CreateScene(SceneKind::FullScreen, client.right, client.bottom);

  RememberPointer();
  SystemParametersInfoA(SpiSetScreenSaverRunning, 1, nullptr, 0);
  ShowCursor(FALSE);
}

void SaverWindow::FormShow() {
  context_ = CreateRenderingContext(window_);
  RECT client{};
  GetClientRect(window_, &client);
  SetUpRenderingState(SceneKind::FullScreen, client.right, client.bottom);
}

void SaverWindow::Timer1Timer() {
  ClearAroundScene();
  ::Timer1Timer();
}

void SaverWindow::PowerSettingChanged(const POWERBROADCAST_SETTING& setting) {
  if (setting.PowerSetting != ConsoleDisplayState || setting.DataLength < sizeof(DWORD)) return;
  DWORD state = 0;
  CopyMemory(&state, setting.Data, sizeof state);
  if (!gate_.SetDisplay(DisplayPowerFromState(state, gate_.Display())) || closing_) return;
  // Off: no tick until the display is seen again; the window keeps its last
  // frame and takes its input as ever. Back on: the next tick draws the scene
  // at that moment's time.
  if (gate_.Draws())
    SetTimer(window_, Timer1Id, Timer1Interval, nullptr);
  else
    KillTimer(window_, Timer1Id);
}

void SaverWindow::RaiseAll() {
  // Not while the exit sequence hides the windows.
  if (closing_ || !IsWindowVisible(window_)) return;
  // The black windows first, then this one above them, so that where
  // monitors overlap the scene is never hidden.
  dark_.Raise();
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool SaverWindow::IsActive() const {
  const HWND active = GetActiveWindow();
  return active == window_ || dark_.Owns(active);
}

void SaverWindow::FormKeyDown() {
  if (IsActive()) ExitSequence();
}

void SaverWindow::FormMouseMove() {
  // The event's own coordinates are not used: the pointer's screen position
  // is read here, and remembered whatever happens next. The black windows
  // pass their moves on to here, so one record serves them all.
  POINT pointer{};
  GetCursorPos(&pointer);
  // While another window is active, moves only keep the position up to date.
  if (!IsActive()) {
    pointer_.Remember(pointer.x, pointer.y);
    return;
  }
  // The limit holds per move: a slow sweep across the screen never ends it.
  if (pointer_.Moved(pointer.x, pointer.y)) ExitSequence();
}

void SaverWindow::RememberPointer() {
  POINT pointer{};
  GetCursorPos(&pointer);
  pointer_.Remember(pointer.x, pointer.y);
}

void SaverWindow::TakeActivationBack() {
  // Activation that went to no window at all (the program that had it
  // ended): the saver takes it back, and with it the keyboard, its windows
  // going back on top as on any activation.
  if (closing_ || !IsWindowVisible(window_) || GetForegroundWindow() != nullptr) return;
  SetForegroundWindow(window_);
}

void SaverWindow::ExitSequence() {
  // Once, whatever else is still queued.
  if (closing_) return;
  ShowWindow(window_, SW_HIDE);
  dark_.Hide();
  ShowCursor(TRUE);
  Close();
}

void SaverWindow::Close() {
  if (closing_) return;
  if (!FormCloseQuery()) return;
  closing_ = true;
  FormClose();
}

bool SaverWindow::FormCloseQuery() {
  // The font's lists belong to the rendering context: free them while it is
  // still current.
  if (context_.GlContext != nullptr) DeleteFontLists();
  ReleaseRenderingContext(window_, context_);
  SystemParametersInfoA(SpiSetScreenSaverRunning, 0, nullptr, 0);
  return true;
}

void SaverWindow::FormClose() { DestroyWindow(window_); }

LRESULT CALLBACK SaverWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = static_cast<SaverWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT SaverWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == Timer1Id) {
        TakeActivationBack();
        Timer1Timer();
      }
      return 0;
    // System keys too: Alt or F10 alone ends the saver rather than opening a
    // window menu.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      FormKeyDown();
      return 0;
    case WM_MOUSEMOVE:
      FormMouseMove();
      return 0;
    // Active again (a click on a black window, the task bar, Alt+Tab, or the
    // program that took the keyboard gave it back): whatever rose meanwhile
    // goes back under the saver's windows.
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) RaiseAll();
      break;
    case WM_ACTIVATEAPP:
      if (wParam != FALSE) RaiseAll();
      break;
    case WM_ERASEBKGND:
      // Once OpenGL draws, every frame covers the whole client area; erasing
      // it black first would only flicker. Until then the black background
      // shows.
      if (context_.GlContext != nullptr) return 1;
      break;
    case WM_CLOSE:
      // A close from elsewhere releases everything as the exit sequence does.
      Close();
      return 0;
    case WM_DISPLAYCHANGE:
      // Monitors came, went or moved: every one but the primary stays
      // covered, and a black window made now goes under this one, which
      // keeps its size. Where the system put the pointer meanwhile is no
      // jump: the next move is measured from there.
      dark_.Layout();
      RaiseAll();
      RememberPointer();
      break;
    case WM_POWERBROADCAST:
      if (wParam == PBT_POWERSETTINGCHANGE && lParam != 0) {
        PowerSettingChanged(*reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      if (powerNotification_ != nullptr) UnregisterPowerSettingNotification(powerNotification_);
      powerNotification_ = nullptr;
      dark_.Close();
      KillTimer(window_, Timer1Id);
      SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}
