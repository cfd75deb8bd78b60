// The saver's entry: the host starts it with a switch in argument 1, of which
// the second character, upper-cased, chooses what to do. The process always
// ends with exit code 0.
#include <cstdlib>

#include "base/fpu_control.h"
#include "base/opengl.h"
#include "frame/platform.h"
#include "host/win32/application_window.h"
#include "host/win32/mode.h"
#include "host/win32/preview_window.h"
#include "host/win32/saver_window.h"
#include "host/win32/win32_platform.h"

namespace {

// Held by the full-screen saver until its process ends (the system closes the
// handle then), in the session's namespace: a second full-screen start finds
// it taken.
constexpr const char* FullScreenMutexName = "Local\\QuillmoorScreensaverFullScreen";

// The saver window is the application's main window: the message loop runs
// until it has closed. The application's window owns it and goes with the
// process. While one saver runs full screen, another ends at once, touching
// neither the running one nor the screen-saver-running flag.
void RunFullScreen(HINSTANCE instance) {
  const HANDLE running = CreateMutexA(nullptr, FALSE, FullScreenMutexName);
  if (running != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(running);
    return;
  }

  Win32Platform platform;
  UsePlatform(&platform);

  ApplicationWindow application;
  application.Create(instance, ApplicationTitle);
  SaverWindow form;
  if (form.Create(instance, application.Handle())) {
    application.SetMainWindow(form.Handle());
    application.Show();
    form.Show();
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

  UsePlatform(nullptr);
}

// The preview draws into the host's window named by argument 2 until the host
// destroys it or an accepted key press ends it.
void RunPreviewMode(HINSTANCE instance, const char* argument2) {
  Win32Platform platform;
  UsePlatform(&platform);
  RunPreview(instance, argument2, ApplicationTitle);
  UsePlatform(nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InstallFpuControlWord();

  // Arguments 1 and 2 as the C runtime split the command line.
  const char* argument1 = __argc > 1 ? __argv[1] : nullptr;
  const char* argument2 = __argc > 2 ? __argv[2] : nullptr;
  const SaverMode mode = ModeFromLetter(ModeLetter(argument1));

  ApplicationTitle = ApplicationTitleText;

  switch (mode) {
    case SaverMode::Settings:  // no settings of its own
    case SaverMode::Password:  // no password of its own
      break;
    case SaverMode::Preview:
      RunPreviewMode(instance, argument2);
      break;
    case SaverMode::FullScreen:
      RunFullScreen(instance);
      break;
  }
  return 0;
}
