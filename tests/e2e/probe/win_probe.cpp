// win_probe: the end-to-end tests' eyes inside Wine. It looks at top-level
// windows from outside the saver, as the system sees them, and runs a program
// while it watches which top-level windows that program opens.
//
//   win_probe find [--caption TEXT] [--class NAME] [--visible] [--active] [--wait MS]
//       Waits up to MS milliseconds (default 0) for a top-level window with
//       that caption and/or class (with --visible: shown; with --active: the
//       foreground window), then prints its properties as key=value lines.
//       Exit 0 if found, 1 if not (found=0).
//   win_probe gone [--caption TEXT] [--class NAME] [--wait MS]
//       Waits up to MS milliseconds for no such window to remain. Exit 0 when
//       none is left, 1 if one still is.
//   win_probe run [--wait MS] -- PROGRAM [ARGUMENTS...]
//       Starts PROGRAM, records every top-level window of its process until it
//       ends, and prints exit_code=, windows_seen= and one window= line for
//       each. If it has not ended after MS milliseconds (default 60000) it is
//       terminated, timed_out=1 is printed and the exit code is 1.
//   win_probe sync [--caption TEXT] [--class NAME] [--pointer X Y] [--wait MS]
//       Lets the window's thread catch up with its input: waits up to MS
//       milliseconds for the system's pointer to reach (X, Y), so that the
//       mouse move is queued, then makes the window's thread answer a few
//       sent messages, each one a full trip through its message loop; then
//       prints the window's properties (found=0 if it is gone by then).
//   win_probe close [--caption TEXT] [--class NAME]
//       Asks the window to close, as another program or the system would
//       (WM_CLOSE). Exit 0 if there was such a window, 1 if not.
//   win_probe window --caption TEXT [--wait MS]
//       Opens a small window of its own, makes it the active window, prints
//       active=1 once it is, and keeps it until it is closed or MS
//       milliseconds (default 60000) have passed.
//   win_probe system
//       Prints the screen size, the screen-saver-running flag, the pointer
//       position and the foreground window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT SpiGetScreenSaverRunning = 114;
constexpr DWORD PollMs = 2;

struct Query {
  std::string Caption;
  std::string ClassName;
  bool HasCaption = false;
  bool HasClass = false;
  bool Visible = false;
  bool Active = false;
};

std::string WindowText(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string WindowClass(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool Matches(HWND window, const Query& query) {
  if (query.HasCaption && WindowText(window) != query.Caption) return false;
  if (query.HasClass && WindowClass(window) != query.ClassName) return false;
  if (query.Visible && !IsWindowVisible(window)) return false;
  if (query.Active && GetForegroundWindow() != window) return false;
  return true;
}

struct FindState {
  const Query* Wanted;
  HWND Found;
};

BOOL CALLBACK FindOne(HWND window, LPARAM parameter) {
  auto* state = reinterpret_cast<FindState*>(parameter);
  if (!Matches(window, *state->Wanted)) return TRUE;
  state->Found = window;
  return FALSE;
}

HWND FindTopLevel(const Query& query) {
  FindState state{&query, nullptr};
  EnumWindows(FindOne, reinterpret_cast<LPARAM>(&state));
  return state.Found;
}

int ScreenSaverRunning() {
  BOOL running = FALSE;
  if (!SystemParametersInfoA(SpiGetScreenSaverRunning, 0, &running, 0)) return -1;
  return running ? 1 : 0;
}

std::string BrushName(ULONG_PTR brush) {
  static const struct {
    int Stock;
    const char* Name;
  } stock[] = {{BLACK_BRUSH, "black"}, {WHITE_BRUSH, "white"}, {GRAY_BRUSH, "gray"},
               {LTGRAY_BRUSH, "ltgray"}, {DKGRAY_BRUSH, "dkgray"}, {NULL_BRUSH, "null"}};
  if (brush == 0) return "none";
  for (const auto& entry : stock)
    if (reinterpret_cast<ULONG_PTR>(GetStockObject(entry.Stock)) == brush) return entry.Name;
  // A system colour index + 1 stands for that colour's brush.
  if (brush <= 31) return "syscolor" + std::to_string(brush - 1);
  LOGBRUSH description{};
  if (GetObjectA(reinterpret_cast<HGDIOBJ>(brush), sizeof description, &description) == sizeof description &&
      description.lbStyle == BS_SOLID) {
    char text[32];
    std::snprintf(text, sizeof text, "rgb(%u,%u,%u)", GetRValue(description.lbColor),
                  GetGValue(description.lbColor), GetBValue(description.lbColor));
    return text;
  }
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(brush));
  return text;
}

void PrintWindow(HWND window) {
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  RECT bounds{};
  GetWindowRect(window, &bounds);
  RECT client{};
  GetClientRect(window, &client);
  POINT clientOrigin{0, 0};
  ClientToScreen(window, &clientOrigin);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  const DWORD frameBits = WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU;

  std::printf("hwnd=0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
  std::printf("pid=%lu\n", static_cast<unsigned long>(process));
  std::printf("caption=%s\n", WindowText(window).c_str());
  std::printf("class=%s\n", WindowClass(window).c_str());
  std::printf("visible=%d\n", IsWindowVisible(window) ? 1 : 0);
  std::printf("style=0x%08lx\n", static_cast<unsigned long>(style));
  std::printf("exstyle=0x%08lx\n", static_cast<unsigned long>(exStyle));
  std::printf("popup=%d\n", (style & WS_POPUP) ? 1 : 0);
  std::printf("frame=%d\n", (static_cast<DWORD>(style) & frameBits) ? 1 : 0);
  std::printf("topmost=%d\n", (exStyle & WS_EX_TOPMOST) ? 1 : 0);
  std::printf("rect=%ld %ld %ld %ld\n", bounds.left, bounds.top, bounds.right, bounds.bottom);
  std::printf("client_origin=%ld %ld\n", clientOrigin.x, clientOrigin.y);
  std::printf("client_size=%ld %ld\n", client.right - client.left, client.bottom - client.top);
  std::printf("screen_size=%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::printf("class_background=%s\n", BrushName(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)).c_str());
  std::printf("foreground=%d\n", GetForegroundWindow() == window ? 1 : 0);
  std::printf("screensaver_running=%d\n", ScreenSaverRunning());
}

// Quotes one argument so that the C runtime's command-line split gives it
// back unchanged.
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') quoted.append(backslashes * 2 + 1, '\\');
    else quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

struct Seen {
  HWND Window;
  std::string Caption;
  std::string ClassName;
  bool Visible;
};

struct WatchState {
  DWORD Process;
  std::vector<Seen>* Windows;
};

BOOL CALLBACK RecordWindow(HWND window, LPARAM parameter) {
  auto* state = reinterpret_cast<WatchState*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != state->Process) return TRUE;
  for (Seen& seen : *state->Windows) {
    if (seen.Window == window) {
      seen.Visible = seen.Visible || IsWindowVisible(window);
      return TRUE;
    }
  }
  state->Windows->push_back({window, WindowText(window), WindowClass(window), IsWindowVisible(window) != FALSE});
  return TRUE;
}

int Usage() {
  std::fprintf(stderr,
               "usage: win_probe find|gone [--caption TEXT] [--class NAME] [--visible] [--active] [--wait MS]\n"
               "       win_probe run [--wait MS] -- PROGRAM [ARGUMENTS...]\n"
               "       win_probe sync [--caption TEXT] [--class NAME] [--pointer X Y] [--wait MS]\n"
               "       win_probe close [--caption TEXT] [--class NAME]\n"
               "       win_probe window --caption TEXT [--wait MS]\n"
               "       win_probe system\n");
  return 2;
}

int Find(const Query& query, DWORD waitMs, bool wantGone) {
  const DWORD start = GetTickCount();
  for (;;) {
    const HWND window = FindTopLevel(query);
    if (!wantGone && window != nullptr) {
      PrintWindow(window);
      return 0;
    }
    if (wantGone && window == nullptr) {
      std::printf("gone=1\n");
      return 0;
    }
    if (GetTickCount() - start >= waitMs) break;
    Sleep(PollMs);
  }
  std::printf(wantGone ? "gone=0\n" : "found=0\n");
  return 1;
}

int Run(const std::vector<std::string>& command, DWORD waitMs) {
  std::string line;
  for (const std::string& argument : command) {
    if (!line.empty()) line += ' ';
    line += Quote(argument);
  }
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    std::printf("started=0\nerror=%lu\n", static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  std::printf("started=1\n");
  std::fflush(stdout);

  std::vector<Seen> windows;
  WatchState state{started.dwProcessId, &windows};
  const DWORD start = GetTickCount();
  bool timedOut = false;
  for (;;) {
    EnumWindows(RecordWindow, reinterpret_cast<LPARAM>(&state));
    if (WaitForSingleObject(started.hProcess, PollMs) == WAIT_OBJECT_0) break;
    if (GetTickCount() - start >= waitMs) {
      timedOut = true;
      TerminateProcess(started.hProcess, 255);
      WaitForSingleObject(started.hProcess, INFINITE);
      break;
    }
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(started.hProcess, &exitCode);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);

  std::printf("timed_out=%d\n", timedOut ? 1 : 0);
  std::printf("exit_code=%lu\n", static_cast<unsigned long>(exitCode));
  std::printf("windows_seen=%zu\n", windows.size());
  for (const Seen& seen : windows)
    std::printf("window=%s|%s|visible=%d\n", seen.ClassName.c_str(), seen.Caption.c_str(), seen.Visible ? 1 : 0);
  return timedOut ? 1 : 0;
}

int Sync(const Query& query, bool hasPointer, POINT pointer, DWORD waitMs) {
  const DWORD start = GetTickCount();
  if (hasPointer) {
    for (;;) {
      POINT now{};
      GetCursorPos(&now);
      if (now.x == pointer.x && now.y == pointer.y) break;
      if (GetTickCount() - start >= waitMs) {
        std::printf("pointer_reached=0\npointer=%ld %ld\n", now.x, now.y);
        return 1;
      }
      Sleep(PollMs);
    }
  }
  // A message sent to another thread is answered from inside its message
  // loop; input already queued for it is taken by the same loop. A few round
  // trips, each after a short pause, leave it no queued input behind.
  for (int trip = 0; trip < 4; ++trip) {
    const HWND window = FindTopLevel(query);
    if (window == nullptr) break;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    Sleep(20);
  }
  const HWND window = FindTopLevel(query);
  if (window == nullptr) {
    std::printf("found=0\n");
    return 0;
  }
  PrintWindow(window);
  return 0;
}

LRESULT CALLBACK ProbeWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int OwnWindow(const std::string& caption, DWORD waitMs) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ProbeWindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = "QuillmoorProbeWindow";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowExA(0, windowClass.lpszClassName, caption.c_str(), WS_OVERLAPPEDWINDOW, 40, 40,
                                      200, 120, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    std::printf("created=0\n");
    return 1;
  }
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  std::printf("active=%d\n", GetForegroundWindow() == window ? 1 : 0);
  std::fflush(stdout);

  SetTimer(window, 1, waitMs, nullptr);
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == window) {
      DestroyWindow(window);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

int System() {
  POINT pointer{};
  GetCursorPos(&pointer);
  const HWND foreground = GetForegroundWindow();
  std::printf("screen_size=%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::printf("screensaver_running=%d\n", ScreenSaverRunning());
  std::printf("pointer=%ld %ld\n", pointer.x, pointer.y);
  std::printf("foreground=%s\n", foreground ? WindowText(foreground).c_str() : "");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  Query query;
  DWORD waitMs = (command == "run" || command == "window") ? 60000 : 0;
  bool hasPointer = false;
  POINT pointer{};
  int i = 2;
  for (; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--") {
      ++i;
      break;
    }
    if (option == "--visible") {
      query.Visible = true;
      continue;
    }
    if (option == "--active") {
      query.Active = true;
      continue;
    }
    if (i + 1 >= argc) return Usage();
    if (option == "--pointer") {
      if (i + 2 >= argc) return Usage();
      pointer.x = std::strtol(argv[++i], nullptr, 10);
      pointer.y = std::strtol(argv[++i], nullptr, 10);
      hasPointer = true;
    } else if (option == "--caption") {
      query.Caption = argv[++i];
      query.HasCaption = true;
    } else if (option == "--class") {
      query.ClassName = argv[++i];
      query.HasClass = true;
    } else if (option == "--wait") {
      waitMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      return Usage();
    }
  }

  if (command == "find" || command == "gone") {
    if (!query.HasCaption && !query.HasClass) return Usage();
    return Find(query, waitMs, command == "gone");
  }
  if (command == "run") {
    if (i >= argc) return Usage();
    return Run(std::vector<std::string>(argv + i, argv + argc), waitMs);
  }
  if (command == "sync") {
    if (!query.HasCaption && !query.HasClass) return Usage();
    return Sync(query, hasPointer, pointer, waitMs);
  }
  if (command == "close") {
    if (!query.HasCaption && !query.HasClass) return Usage();
    const HWND window = FindTopLevel(query);
    if (window == nullptr || !PostMessageA(window, WM_CLOSE, 0, 0)) {
      std::printf("closed=0\n");
      return 1;
    }
    std::printf("closed=1\n");
    return 0;
  }
  if (command == "window") {
    if (!query.HasCaption) return Usage();
    return OwnWindow(query.Caption, waitMs);
  }
  if (command == "system") return System();
  return Usage();
}
