#include "host/win32/preview_window.h"

#include <cstdint>
#include <cstring>

#include "frame/frame.h"
#include "host/scene_setup/scene_area.h"
#include "host/scene_setup/scene_setup.h"
#include "host/win32/application_window.h"
#include "host/win32/preview_handle.h"

PreviewState Preview;

namespace {

using VerifyScreenSavePwdFunction = BOOL(WINAPI*)(HWND owner);

// The password library is a system library: it is looked for in the system
// directory only, never in the current or the program's directory, where
// anyone could have put a file of that name.
HMODULE LoadPasswordLibrary() {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  const std::size_t nameLength = std::strlen(PasswordLibraryName);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
  path[length] = '\\';
  std::memcpy(path + length + 1, PasswordLibraryName, nameLength + 1);
  return LoadLibraryA(path);
}

void StopOnKeyPress(HWND window) {
  // Once an accepted key press has set the flag, the preview is ending: a
  // further key press neither asks again nor can clear it.
  if (Preview.Stop.load()) return;
  const bool stop = VerifyPreviewPassword();
  Preview.Stop.store(stop);
  if (stop && !Preview.RedrawThreadStarted) PostMessageA(window, WM_DESTROY, 0, 0);
}

}  // namespace

void RunPreview(HINSTANCE instance, const char* argument2, const char* title) {
  // 0 when argument 2 is missing or not a number: then there is no host.
  const std::uintptr_t number = ParsePreviewHandle(argument2);
  Preview.HostWindow = reinterpret_cast<HWND>(WindowHandleFromNumber(number));

  int width = HostlessPreviewWidth;
  int height = HostlessPreviewHeight;
  if (number != 0) {
    // A number that names no window, its handle null included (a number
    // whose low 32 bits are 0), leaves nothing to draw into and nothing that
    // could ever end the preview: it ends at once.
    if (!IsWindow(Preview.HostWindow)) return;
    RECT host{};
    GetWindowRect(Preview.HostWindow, &host);
    width = host.right - host.left;
    height = host.bottom - host.top;
  }

  // A preview of its own is a top-level window: the application's window
  // owns it, so the task bar shows the application's title. Inside the host's
  // window the host is what the task bar shows.
  ApplicationWindow application;
  if (Preview.HostWindow == nullptr) application.Create(instance, title);

  // No window, nothing to draw into and nothing that could ever end the
  // preview: it ends at once.
  if (CreatePreviewWindow(instance, width, height, Preview.HostWindow, application.Handle()) == nullptr) return;
  application.SetMainWindow(Preview.Window);
  application.Show();

  Preview.WindowThreadId = GetCurrentThreadId();
  const HANDLE thread = CreateThread(nullptr, 0, PreviewRedrawThread, nullptr, 0, nullptr);
  Preview.RedrawThreadStarted = thread != nullptr;
  if (thread != nullptr) CloseHandle(thread);

  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

HWND CreatePreviewWindow(HINSTANCE instance, int width, int height, HWND host, HWND owner) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_PARENTDC;
  windowClass.lpfnWndProc = PreviewWindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = PreviewWindowClassName;
  RegisterClassA(&windowClass);

  HWND window = nullptr;
  if (host != nullptr) {
    window = CreateWindowExA(0, PreviewWindowClassName, PreviewWindowTitle, PreviewChildStyle, 0, 0, width, height,
                             host, nullptr, instance, nullptr);
  } else {
    window = CreateWindowExA(0, PreviewWindowClassName, PreviewWindowTitle, PreviewPopupStyle, 0, 0, width, height,
                             owner, nullptr, instance, nullptr);
    if (window != nullptr)
      SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
  }
  if (window == nullptr) return nullptr;

  Preview.Width = width;
  Preview.Height = height;
  // Aspect, the preview's grids, the seed, phases and sway steps, the clock's
  // place, the geometry, the flakes and the date; the headline starts unseen.
  CreateScene(SceneKind::Preview, width, height);
  Preview.Window = window;

  // No viewport is set: the context's default is the window's size.
  Preview.Context = CreateRenderingContext(window);
  SetUpRenderingState(SceneKind::Preview, width, height);
  return window;
}

DWORD WINAPI PreviewRedrawThread(LPVOID) {
  ShowWindow(Preview.Window, SW_SHOW);
  UpdateWindow(Preview.Window);
  // The paint handler never validates the window, so painting goes on by
  // itself; invalidating here only makes sure it never stops.
  do {
    InvalidateRect(Preview.Window, nullptr, FALSE);
    Sleep(PreviewRedrawIntervalMs);
    // A host whose process ends without destroying its window takes the
    // preview's window along unannounced: no WM_DESTROY ever comes, and the
    // loop would wait for it for good.
    if (!IsWindow(Preview.Window)) {
      PostThreadMessageA(Preview.WindowThreadId, WM_QUIT, 0, 0);
      return 0;
    }
  } while (!Preview.Stop.load());
  PostMessageA(Preview.Window, WM_DESTROY, 0, 0);
  return 0;
}

LRESULT CALLBACK PreviewWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      return 1;
    case WM_DESTROY:
      // Sent when the host destroys its window, or posted by the redraw
      // thread after an accepted key press.
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      // No BeginPaint/EndPaint: the window stays invalid and the next paint
      // request follows as soon as the queue is empty.
      ClearAroundScene();
      DrawPreviewFrame();
      return 0;
    case WM_KEYDOWN:
      StopOnKeyPress(window);
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool VerifyPreviewPassword() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, DesktopKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return true;

  bool result = true;
  // Whatever the value's type, its first four bytes decide; a missing or a
  // longer value asks for no password.
  DWORD usePassword = 0;
  DWORD size = sizeof usePassword;
  if (RegQueryValueExA(key, UsePasswordValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&usePassword), &size) ==
          ERROR_SUCCESS &&
      usePassword != 0) {
    const HMODULE library = LoadPasswordLibrary();
    if (reinterpret_cast<std::uintptr_t>(library) > 32) {
      const auto verify = reinterpret_cast<VerifyScreenSavePwdFunction>(
          reinterpret_cast<void*>(GetProcAddress(library, VerifyPasswordFunctionName)));
      // The library's dialog needs the pointer, which the host may hide.
      ShowCursor(TRUE);
      if (verify != nullptr) result = verify(Preview.Window) != FALSE;
      ShowCursor(FALSE);
      FreeLibrary(library);
    }
  }
  RegCloseKey(key);
  return result;
}
