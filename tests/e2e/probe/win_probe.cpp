// win_probe: the end-to-end tests' eyes inside Wine. It looks at top-level
// windows from outside the saver, as the system sees them, and runs a program
// while it watches which top-level windows that program opens.
//
//   win_probe find [--caption TEXT] [--class NAME] [--visible] [--active] [--wait MS]
//       Waits up to MS milliseconds (default 0) for a top-level window with
//       that caption and/or class (with --visible: shown; with --active: the
//       foreground window), then prints its properties as key=value lines,
//       match_rect= (the rectangle) of every window that matches, and
//       matches= (how many windows match). Exit 0 if found, 1 if not
//       (found=0).
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
//   win_probe activate [--caption TEXT] [--class NAME]
//       Makes the window the foreground window, as the task bar or Alt+Tab
//       does, lets its thread catch up as sync does, and prints the caption
//       of the foreground window then (foreground=).
//   win_probe window --caption TEXT [--at X Y] [--size W H] [--topmost] [--no-activate] [--wait MS]
//       Opens a white window of its own at (X, Y), W x H (default 40 40,
//       200 x 120), "always on top" with --topmost, makes it the active
//       window unless --no-activate (then it is only shown), prints whether
//       it is active (active=1),
//       and keeps it until it is closed or MS milliseconds (default 60000)
//       have passed.
//   win_probe place [--caption TEXT] [--class NAME] --at X Y --size W H
//       Moves the window to (X, Y), W x H, without activating it or changing
//       its place in the z-order, as any program may do to another's window.
//       Exit 0 if there was such a window and it moved, 1 if not.
//   win_probe display
//       Sets the primary display's current mode again through the system's
//       display settings (ChangeDisplaySettingsExA), whose change handling
//       then tells every top-level window that the display changed; prints
//       result= (the call's result, 0 for success).
//   win_probe system
//       Prints the screen size, the monitors (monitors=, then one monitor=
//       line for each with its rectangle, the primary one marked), the
//       screen-saver-running flag, the pointer position and the foreground
//       window.
//   win_probe host --caption TEXT [--at X Y] [--size W H] [--framed] [--wait MS]
//                  -- PROGRAM [ARGUMENTS...]
//       Plays a screen-saver host's preview window: opens a window of its own
//       with that caption (borderless, or with --framed a caption and frame)
//       at (X, Y), W x H (default 100 100, 320 x 240), prints host= (its
//       handle in decimal) and host_rect=, then starts PROGRAM with every
//       "{hwnd}" in its arguments replaced by the handle in decimal and every
//       "{hwnd_hex}" by the handle's hexadecimal digits. It answers its
//       window's messages until the program ends; a WM_CLOSE (the close
//       command) destroys the window, and with it every child. Then it prints
//       timed_out=, exit_code=, host_destroyed=, children_left= (windows left
//       in its window) and windows_seen= with one window= line for each
//       top-level window the program opened. After MS milliseconds (default
//       60000) the program is terminated and timed_out=1 printed.
//   win_probe glchild HWND
//       The smallest OpenGL child window: a child of the window HWND (in
//       decimal) that fills it, with a double-buffered RGBA pixel format,
//       clearing itself to green and swapping every 40 ms, until its parent
//       is gone. It tells whether OpenGL drawn in a child window reaches the
//       screen at all.
//   win_probe gdichild HWND
//       The same child painted green by GDI alone (FillRect at WM_PAINT).
//   win_probe post [--parent TEXT] [--caption TEXT] [--class NAME] --message NAME
//                  [--exit-wait MS]
//       Posts one message to the window, as input that reaches it would come:
//       keydown (key A), mousemove, lbuttondown, rbuttondown or mbuttondown;
//       or displaychange, as the system sends it when monitors change.
//       With --exit-wait it then waits up to MS milliseconds for the window's
//       process to end and prints ended= and, if it did, after_ms=.
//   win_probe power [--caption TEXT] [--class NAME] --state N
//       Hands the window a WM_POWERBROADCAST (PBT_POWERSETTINGCHANGE) saying
//       that the console display's state is now N (0 off, 1 on, 2 dimmed),
//       from inside the window's own thread, as the system sends it: through
//       power_hook.dll, found beside the probe and hooked into that thread
//       for the one message. Prints delivered= and, if it was, answer= (what
//       the window procedure returned).
//
//   win_probe resources FILE
//       Reads the program FILE's resources the way Windows does: prints
//       description= (string 1, the screen-saver list's name for it), the
//       version block's fixed file_version= and product_version= and its
//       strings (FileDescription=, ProductName=, ...), icons= (each size the
//       first icon group lists with the width of the image decoded for it, as
//       SIZE:WIDTH), and from the manifest, read into an activation context:
//       dpi_aware=, dpi_awareness=, run_level= and supported_os= (the GUIDs).
//
//   With --parent TEXT, find, gone, sync and post look at the child windows
//   of the top-level window with that caption instead of at top-level
//   windows; the properties then include the window's position inside its
//   parent's client area.
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT SpiGetScreenSaverRunning = 114;
constexpr DWORD PollMs = 2;

struct Query {
  std::string Parent;
  bool HasParent = false;
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

BOOL CALLBACK CountMatch(HWND window, LPARAM parameter) {
  auto* state = reinterpret_cast<std::pair<const Query*, int>*>(parameter);
  if (!Matches(window, *state->first)) return TRUE;
  ++state->second;
  RECT bounds{};
  GetWindowRect(window, &bounds);
  std::printf("match_rect=%ld %ld %ld %ld\n", bounds.left, bounds.top, bounds.right, bounds.bottom);
  return TRUE;
}

HWND FindTopLevel(const Query& query) {
  FindState state{&query, nullptr};
  if (!query.HasParent) {
    EnumWindows(FindOne, reinterpret_cast<LPARAM>(&state));
    return state.Found;
  }
  Query parentQuery;
  parentQuery.Caption = query.Parent;
  parentQuery.HasCaption = true;
  const HWND parent = FindTopLevel(parentQuery);
  if (parent == nullptr) return nullptr;
  EnumChildWindows(parent, FindOne, reinterpret_cast<LPARAM>(&state));
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
  std::printf("enabled=%d\n", IsWindowEnabled(window) ? 1 : 0);
  const HWND owner = GetWindow(window, GW_OWNER);
  std::printf("owner=%s\n", owner != nullptr ? WindowText(owner).c_str() : "");
  if (style & WS_CHILD) {
    // The window's place in its parent's client area.
    POINT corner{bounds.left, bounds.top};
    ScreenToClient(GetParent(window), &corner);
    std::printf("position_in_parent=%ld %ld\n", corner.x, corner.y);
  }
  std::printf("size=%ld %ld\n", bounds.right - bounds.left, bounds.bottom - bounds.top);
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

std::string CommandLine(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& argument : command) {
    if (!line.empty()) line += ' ';
    line += Quote(argument);
  }
  return line;
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
               "       win_probe activate [--caption TEXT] [--class NAME]\n"
               "       win_probe window --caption TEXT [--at X Y] [--size W H] [--topmost] [--no-activate] [--wait MS]\n"
               "       win_probe place [--caption TEXT] [--class NAME] --at X Y --size W H\n"
               "       win_probe display\n"
               "       win_probe power [--caption TEXT] [--class NAME] --state N\n"
               "       win_probe system\n"
               "       win_probe resources FILE\n"
               "       win_probe host --caption TEXT [--at X Y] [--size W H] [--framed] [--wait MS] -- PROGRAM [ARGUMENTS...]\n"
               "       win_probe glchild HWND | gdichild HWND\n"
               "       win_probe post [--parent TEXT] [--caption TEXT] [--class NAME] --message NAME [--exit-wait MS]\n"
               "   (find, gone, sync and post take --parent TEXT to look at that window's children)\n");
  return 2;
}

int Find(const Query& query, DWORD waitMs, bool wantGone) {
  const DWORD start = GetTickCount();
  for (;;) {
    const HWND window = FindTopLevel(query);
    if (!wantGone && window != nullptr) {
      PrintWindow(window);
      std::pair<const Query*, int> count{&query, 0};
      if (!query.HasParent) EnumWindows(CountMatch, reinterpret_cast<LPARAM>(&count));
      std::printf("matches=%d\n", count.second);
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

struct Watch {
  bool TimedOut = false;
  DWORD ExitCode = 0;
  std::vector<Seen> Windows;
};

// Starts `command` (saying whether it started) and watches it until it ends,
// or until waitMs have passed and it is ended, noting every top-level window
// it makes. With pumpMessages the probe's own windows are answered all the
// while, as a host's window must be. Nothing when it cannot be started.
std::optional<Watch> StartAndWatch(const std::vector<std::string>& command, DWORD waitMs, bool pumpMessages) {
  const std::string line = CommandLine(command);
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    std::printf("started=0\nerror=%lu\n", static_cast<unsigned long>(GetLastError()));
    return std::nullopt;
  }
  std::printf("started=1\n");
  std::fflush(stdout);

  Watch watch;
  WatchState state{started.dwProcessId, &watch.Windows};
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message{};
    while (pumpMessages && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    EnumWindows(RecordWindow, reinterpret_cast<LPARAM>(&state));
    const DWORD woken = pumpMessages
                            ? MsgWaitForMultipleObjects(1, &started.hProcess, FALSE, PollMs, QS_ALLINPUT)
                            : WaitForSingleObject(started.hProcess, PollMs);
    if (woken == WAIT_OBJECT_0) break;
    if (GetTickCount() - start >= waitMs) {
      watch.TimedOut = true;
      TerminateProcess(started.hProcess, 255);
      WaitForSingleObject(started.hProcess, INFINITE);
      break;
    }
  }
  GetExitCodeProcess(started.hProcess, &watch.ExitCode);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return watch;
}

void PrintEnd(const Watch& watch) {
  std::printf("timed_out=%d\n", watch.TimedOut ? 1 : 0);
  std::printf("exit_code=%lu\n", static_cast<unsigned long>(watch.ExitCode));
}

void PrintWindowsSeen(const Watch& watch) {
  std::printf("windows_seen=%zu\n", watch.Windows.size());
  for (const Seen& seen : watch.Windows)
    std::printf("window=%s|%s|visible=%d\n", seen.ClassName.c_str(), seen.Caption.c_str(), seen.Visible ? 1 : 0);
}

int Run(const std::vector<std::string>& command, DWORD waitMs) {
  const std::optional<Watch> watch = StartAndWatch(command, waitMs, false);
  if (!watch) return 1;
  PrintEnd(*watch);
  PrintWindowsSeen(*watch);
  return watch->TimedOut ? 1 : 0;
}

// A message sent to another thread is answered from inside its message loop;
// input already queued for it is taken by the same loop. A few round trips,
// each after a short pause, leave it no queued input behind.
void CatchUp(const Query& query) {
  for (int trip = 0; trip < 4; ++trip) {
    const HWND window = FindTopLevel(query);
    if (window == nullptr) break;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    Sleep(20);
  }
}

// Wine makes a window the active one only once the X server has moved the
// focus, and reports no foreground window while that is under way; on a
// busy machine that takes a moment. The request is made again until some
// window is the foreground one (the window asked for may hand the keyboard
// to a window of its own) or five seconds have passed.
int Activate(const Query& query) {
  const HWND window = FindTopLevel(query);
  if (window == nullptr) {
    std::printf("activated=0\n");
    return 1;
  }
  bool requested = false;
  HWND foreground = nullptr;
  const DWORD start = GetTickCount();
  do {
    requested = SetForegroundWindow(window) || requested;
    CatchUp(query);
    foreground = GetForegroundWindow();
  } while ((!requested || foreground == nullptr) && GetTickCount() - start < 5000);
  std::printf("activated=%d\nforeground=%s\n", requested ? 1 : 0,
              foreground != nullptr ? WindowText(foreground).c_str() : "");
  return requested ? 0 : 1;
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
  CatchUp(query);
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

int OwnWindow(const std::string& caption, POINT at, SIZE size, bool topmost, bool activate, DWORD waitMs) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ProbeWindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = "QuillmoorProbeWindow";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowExA(topmost ? WS_EX_TOPMOST : 0, windowClass.lpszClassName, caption.c_str(),
                                      WS_OVERLAPPEDWINDOW, at.x, at.y,
                                      size.cx, size.cy, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    std::printf("created=0\n");
    return 1;
  }
  ShowWindow(window, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
  if (activate) {
    SetForegroundWindow(window);
    SetActiveWindow(window);
  }
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

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoA(monitor, &info);
  const RECT& r = info.rcMonitor;
  std::printf("monitor=%ld %ld %ld %ld%s\n", r.left, r.top, r.right, r.bottom,
              (info.dwFlags & MONITORINFOF_PRIMARY) ? " primary" : "");
  return TRUE;
}

int System() {
  POINT pointer{};
  GetCursorPos(&pointer);
  const HWND foreground = GetForegroundWindow();
  std::printf("screen_size=%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::printf("monitors=%d\n", GetSystemMetrics(SM_CMONITORS));
  EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
  std::printf("screensaver_running=%d\n", ScreenSaverRunning());
  std::printf("pointer=%ld %ld\n", pointer.x, pointer.y);
  std::printf("foreground=%s\n", foreground ? WindowText(foreground).c_str() : "");
  return 0;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

struct ChildCount {
  int Count = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM parameter) {
  ++reinterpret_cast<ChildCount*>(parameter)->Count;
  return TRUE;
}

LRESULT CALLBACK HostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // WM_CLOSE goes on to the default handling, which destroys the window.
  return DefWindowProcA(window, message, wParam, lParam);
}

struct HostOptions {
  std::string Caption;
  POINT At{100, 100};
  SIZE Size{320, 240};
  bool Framed = false;
  bool Topmost = false;
  DWORD WaitMs = 60000;
};

int Host(const HostOptions& options, const std::vector<std::string>& command) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = HostWindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = "QuillmoorProbeHost";
  RegisterClassA(&windowClass);
  const DWORD style = (options.Framed ? WS_OVERLAPPEDWINDOW : WS_POPUP) | WS_VISIBLE | WS_CLIPCHILDREN;
  const HWND host = CreateWindowExA(0, windowClass.lpszClassName, options.Caption.c_str(), style, options.At.x,
                                    options.At.y, options.Size.cx, options.Size.cy, nullptr, nullptr, instance,
                                    nullptr);
  if (host == nullptr) {
    std::printf("created=0\n");
    return 1;
  }
  UpdateWindow(host);
  RECT bounds{};
  GetWindowRect(host, &bounds);
  const auto handle = static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(host));
  std::printf("host=%llu\n", handle);
  std::printf("host_rect=%ld %ld %ld %ld\n", bounds.left, bounds.top, bounds.right, bounds.bottom);

  char hex[32];
  std::snprintf(hex, sizeof hex, "%llX", handle);
  std::vector<std::string> arguments;
  for (const std::string& argument : command)
    arguments.push_back(Replace(Replace(argument, "{hwnd_hex}", hex), "{hwnd}", std::to_string(handle)));
  // The program's window is a child of this one: messages between the two
  // are answered here all the time, as a real host's window does.
  const std::optional<Watch> watch = StartAndWatch(arguments, options.WaitMs, true);
  if (!watch) {
    DestroyWindow(host);
    return 1;
  }

  const bool hostDestroyed = !IsWindow(host);
  ChildCount children;
  if (!hostDestroyed) EnumChildWindows(host, CountChild, reinterpret_cast<LPARAM>(&children));
  PrintEnd(*watch);
  std::printf("host_destroyed=%d\n", hostDestroyed ? 1 : 0);
  std::printf("children_left=%d\n", children.Count);
  PrintWindowsSeen(*watch);
  if (!hostDestroyed) DestroyWindow(host);
  return watch->TimedOut ? 1 : 0;
}

int Place(const Query& query, POINT at, SIZE size) {
  const HWND window = FindTopLevel(query);
  const bool placed = window != nullptr && SetWindowPos(window, nullptr, at.x, at.y, size.cx, size.cy,
                                                        SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
  std::printf("placed=%d\n", placed ? 1 : 0);
  return placed ? 0 : 1;
}

int Display() {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
    std::printf("result=none\n");
    return 1;
  }
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  const LONG result = ChangeDisplaySettingsExA(nullptr, &mode, nullptr, 0, nullptr);
  std::printf("result=%ld\n", result);
  return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

LRESULT CALLBACK GlChildProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    ValidateRect(window, nullptr);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers(wglGetCurrentDC());
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The same child painted green by GDI alone: whether anything one process
// draws in another's window reaches the screen.
LRESULT CALLBACK GdiChildProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC deviceContext = BeginPaint(window, &paint);
    const HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(deviceContext, &paint.rcPaint, green);
    DeleteObject(green);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int GlChild(HWND parent, bool gdi) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = gdi ? GdiChildProcedure : GlChildProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = gdi ? "QuillmoorProbeGdiChild" : "QuillmoorProbeGlChild";
  RegisterClassA(&windowClass);
  RECT area{};
  GetClientRect(parent, &area);
  const HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0,
                                      area.right, area.bottom, parent, nullptr, instance, nullptr);
  if (window == nullptr) {
    std::printf("created=0\n");
    return 1;
  }
  if (!gdi) {
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    const HDC deviceContext = GetDC(window);
    SetPixelFormat(deviceContext, ChoosePixelFormat(deviceContext, &format), &format);
    wglMakeCurrent(deviceContext, wglCreateContext(deviceContext));
  }
  while (IsWindow(window)) {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    InvalidateRect(window, nullptr, FALSE);
    Sleep(40);
  }
  return 0;
}

int Post(const Query& query, const std::string& name, bool waitExit, DWORD exitWaitMs) {
  struct Kind {
    const char* Name;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
  };
  // Key A, pressed once (scan code 0x1E); the pointer at (10, 10).
  static const Kind kinds[] = {{"keydown", WM_KEYDOWN, 'A', 1 | (0x1E << 16)},
                               {"mousemove", WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)},
                               {"lbuttondown", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)},
                               {"rbuttondown", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10)},
                               {"mbuttondown", WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(10, 10)},
                               {"displaychange", WM_DISPLAYCHANGE, 32,
                                MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))}};
  const Kind* kind = nullptr;
  for (const Kind& candidate : kinds)
    if (name == candidate.Name) kind = &candidate;
  if (kind == nullptr) return Usage();

  const HWND window = FindTopLevel(query);
  if (window == nullptr) {
    std::printf("posted=0\n");
    return 1;
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  const HANDLE process = waitExit ? OpenProcess(SYNCHRONIZE, FALSE, processId) : nullptr;
  const DWORD start = GetTickCount();
  if (!PostMessageA(window, kind->Message, kind->WParam, kind->LParam)) {
    std::printf("posted=0\n");
    if (process != nullptr) CloseHandle(process);
    return 1;
  }
  std::printf("posted=1\n");
  if (!waitExit) return 0;
  if (process == nullptr) {
    std::printf("ended=unknown\n");
    return 1;
  }
  const bool ended = WaitForSingleObject(process, exitWaitMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  std::printf("ended=%d\n", ended ? 1 : 0);
  if (ended) std::printf("after_ms=%lu\n", static_cast<unsigned long>(GetTickCount() - start));
  return ended ? 0 : 1;
}

int Power(const Query& query, DWORD state) {
  const HWND window = FindTopLevel(query);
  if (window == nullptr) {
    std::printf("delivered=0\n");
    return 1;
  }
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string hookPath = path;
  hookPath = hookPath.substr(0, hookPath.find_last_of("\\/") + 1) + "power_hook.dll";
  const HMODULE module = LoadLibraryA(hookPath.c_str());
  const auto procedure =
      module != nullptr ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, "DisplayStateHook"))) : nullptr;
  if (procedure == nullptr) {
    std::printf("delivered=0\nerror=no hook in %s\n", hookPath.c_str());
    return 1;
  }
  const HANDLE done = CreateEventA(nullptr, TRUE, FALSE, "QuillmoorProbeDisplayStateDone");
  const HANDLE mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG_PTR), "QuillmoorProbeDisplayStateAnswer");
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  const HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, procedure, module, thread);
  const UINT request = RegisterWindowMessageA("QuillmoorProbeDisplayState");
  const bool delivered = hook != nullptr && PostMessageA(window, request, state, 0) &&
                         WaitForSingleObject(done, 10000) == WAIT_OBJECT_0;
  std::printf("delivered=%d\n", delivered ? 1 : 0);
  if (delivered) {
    LONG_PTR answer = 0;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof answer)) {
      std::memcpy(&answer, view, sizeof answer);
      UnmapViewOfFile(view);
    }
    std::printf("answer=%lld\n", static_cast<long long>(answer));
  }
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  CloseHandle(mapping);
  CloseHandle(done);
  return delivered ? 0 : 1;
}

BOOL CALLBACK FirstResourceName(HMODULE, LPCSTR, LPSTR name, LONG_PTR parameter) {
  *reinterpret_cast<LPCSTR*>(parameter) = name;  // valid for the call only: an id is expected
  return FALSE;
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE Width, Height, Colours, Reserved;
  WORD Planes, BitCount;
  DWORD Bytes;
  WORD Id;
};
#pragma pack(pop)

void PrintIcons(HMODULE module) {
  LPCSTR group = nullptr;
  EnumResourceNamesA(module, RT_GROUP_ICON, FirstResourceName, reinterpret_cast<LONG_PTR>(&group));
  const HRSRC found = group != nullptr && IS_INTRESOURCE(group) ? FindResourceA(module, group, RT_GROUP_ICON) : nullptr;
  const auto* directory = found != nullptr ? static_cast<const WORD*>(LockResource(LoadResource(module, found))) : nullptr;
  std::string icons;
  for (WORD k = 0; directory != nullptr && k < directory[2]; ++k) {
    const auto& entry = reinterpret_cast<const GroupIconEntry*>(directory + 3)[k];
    const int size = entry.Width == 0 ? 256 : entry.Width;
    const HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(entry.Id), RT_ICON);
    BITMAP bitmap{};
    if (image != nullptr) {
      // Asked for no particular size, it is decoded at the image's own.
      const HICON icon = CreateIconFromResourceEx(static_cast<BYTE*>(LockResource(LoadResource(module, image))),
                                                  SizeofResource(module, image), TRUE, 0x00030000, 0, 0, 0);
      ICONINFO info{};
      if (icon != nullptr && GetIconInfo(icon, &info)) {
        GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
      }
      if (icon != nullptr) DestroyIcon(icon);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%s%d:%ld", icons.empty() ? "" : " ", size, bitmap.bmWidth);
    icons += text;
  }
  std::printf("icons=%s\n", icons.c_str());
}

void PrintVersion(const std::string& file) {
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeA(file.c_str(), &ignored));
  if (block.empty() || !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) return;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr) {
    std::printf("file_version=%d.%d.%d.%d\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    std::printf("product_version=%d.%d.%d.%d\n", HIWORD(fixed->dwProductVersionMS),
                LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                LOWORD(fixed->dwProductVersionLS));
  }
  // The strings of the block's first language and code page.
  WORD* translation = nullptr;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < 4)
    return;
  for (const char* key : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                          "OriginalFilename", "ProductName", "ProductVersion"}) {
    char path[96];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], key);
    char* value = nullptr;
    if (VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length) && value != nullptr)
      std::printf("%s=%s\n", key, value);
  }
}

void PrintManifest(const std::string& file) {
  ACTCTXA request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = file.c_str();
  request.lpResourceName = MAKEINTRESOURCEA(1);
  const HANDLE context = CreateActCtxA(&request);
  if (context == INVALID_HANDLE_VALUE) {
    std::printf("manifest=0\n");
    return;
  }
  std::printf("manifest=1\n");
  const struct {
    const char* Key;
    const wchar_t* Space;
    const wchar_t* Name;
  } settings[] = {{"dpi_aware", L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"},
                  {"dpi_awareness", L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"}};
  for (const auto& setting : settings) {
    wchar_t value[128] = {};
    SIZE_T written = 0;
    QueryActCtxSettingsW(0, context, setting.Space, setting.Name, value, 127, &written);
    std::printf("%s=%ls\n", setting.Key, value);
  }
  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
  SIZE_T written = 0;
  if (QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level, sizeof level, &written))
    std::printf("run_level=%s\n", level.RunLevel == ACTCTX_RUN_LEVEL_AS_INVOKER            ? "asInvoker"
                                   : level.RunLevel == ACTCTX_RUN_LEVEL_HIGHEST_AVAILABLE     ? "highestAvailable"
                                   : level.RunLevel == ACTCTX_RUN_LEVEL_REQUIRE_ADMIN         ? "requireAdministrator"
                                                                                               : "unspecified");
  // The list of supported systems; its elements may carry a tested version
  // after the GUID and its type, so their size follows from the total.
  std::vector<unsigned char> list(4096);
  std::string systems;
  if (QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, list.data(), list.size(),
                   &written)) {
    DWORD count = 0;
    std::memcpy(&count, list.data(), sizeof count);
    const std::size_t offset = written == 4 + 20 * count ? 4 : 8;
    const std::size_t stride = count != 0 ? (written - offset) / count : 0;
    for (DWORD k = 0; k < count; ++k) {
      GUID id{};
      std::memcpy(&id, list.data() + offset + k * stride, sizeof id);
      char text[48];
      std::snprintf(text, sizeof text, "%s%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", k == 0 ? "" : " ",
                    static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                    id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
      systems += text;
    }
  }
  std::printf("supported_os=%s\n", systems.c_str());
  ReleaseActCtx(context);
}

int Resources(const std::string& file) {
  const HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    std::printf("loaded=0\n");
    return 1;
  }
  char description[256] = {};
  LoadStringA(module, 1, description, sizeof description);
  std::printf("description=%s\n", description);
  PrintIcons(module);
  FreeLibrary(module);
  PrintVersion(file);
  PrintManifest(file);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "resources") return argc == 3 ? Resources(argv[2]) : Usage();
  if (command == "glchild" || command == "gdichild")
    return argc == 3 ? GlChild(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoull(argv[2], nullptr, 10))),
                               command == "gdichild")
                     : Usage();
  Query query;
  DWORD waitMs = (command == "run" || command == "window" || command == "host") ? 60000 : 0;
  bool hasPointer = false, activate = true;
  POINT pointer{};
  HostOptions host;
  if (command == "window") {
    host.At = {40, 40};
    host.Size = {200, 120};
  }
  std::string messageName;
  bool hasState = false;
  DWORD state = 0;
  bool hasExitWait = false;
  DWORD exitWaitMs = 0;
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
    if (option == "--framed") {
      host.Framed = true;
      continue;
    }
    if (option == "--topmost") {
      host.Topmost = true;
      continue;
    }
    if (option == "--no-activate") {
      activate = false;
      continue;
    }
    if (i + 1 >= argc) return Usage();
    if (option == "--pointer") {
      if (i + 2 >= argc) return Usage();
      pointer.x = std::strtol(argv[++i], nullptr, 10);
      pointer.y = std::strtol(argv[++i], nullptr, 10);
      hasPointer = true;
    } else if (option == "--at" || option == "--size") {
      if (i + 2 >= argc) return Usage();
      const long first = std::strtol(argv[++i], nullptr, 10);
      const long second = std::strtol(argv[++i], nullptr, 10);
      if (option == "--at") host.At = {first, second};
      else host.Size = {first, second};
    } else if (option == "--parent") {
      query.Parent = argv[++i];
      query.HasParent = true;
    } else if (option == "--state") {
      state = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
      hasState = true;
    } else if (option == "--message") {
      messageName = argv[++i];
    } else if (option == "--exit-wait") {
      exitWaitMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
      hasExitWait = true;
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
  if (command == "activate") {
    if (!query.HasCaption && !query.HasClass) return Usage();
    return Activate(query);
  }
  if (command == "window") {
    if (!query.HasCaption) return Usage();
    return OwnWindow(query.Caption, host.At, host.Size, host.Topmost, activate, waitMs);
  }
  if (command == "system") return System();
  if (command == "display") return Display();
  if (command == "place") {
    if (!query.HasCaption && !query.HasClass) return Usage();
    return Place(query, host.At, host.Size);
  }
  if (command == "host") {
    if (!query.HasCaption || i >= argc) return Usage();
    host.Caption = query.Caption;
    host.WaitMs = waitMs;
    return Host(host, std::vector<std::string>(argv + i, argv + argc));
  }
  if (command == "power") {
    if ((!query.HasCaption && !query.HasClass) || !hasState) return Usage();
    return Power(query, state);
  }
  if (command == "post") {
    if ((!query.HasCaption && !query.HasClass) || messageName.empty()) return Usage();
    return Post(query, messageName, hasExitWait, exitWaitMs);
  }
  return Usage();
}
