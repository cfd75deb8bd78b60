// The preview: a smaller version of the scene drawn into a child of the
// host's preview window, repainted by a redraw thread every 40 ms, until the
// host destroys its window or a key press reaches the preview and the host's
// screen-saver password, where one is asked for, is accepted.
#pragma once

#include <atomic>

#include "base/opengl.h"
#include "host/win32/rendering_context.h"

inline constexpr const char* PreviewWindowClassName = "QuillmoorPreviewWindow";
inline constexpr const char* PreviewWindowTitle = "MySaver";
inline constexpr DWORD PreviewChildStyle = WS_CHILD | WS_VISIBLE | WS_DISABLED;  // 0x58000000
inline constexpr DWORD PreviewPopupStyle = WS_POPUP | WS_VISIBLE;                // 0x90000000
inline constexpr DWORD PreviewRedrawIntervalMs = 40;

// Without a host window there is no rectangle to fill: the preview then shows
// in a small topmost window of its own at the screen's top-left corner, which
// a key press ends.
inline constexpr int HostlessPreviewWidth = 320;
inline constexpr int HostlessPreviewHeight = 240;

// The host's password setting and the system's password library.
inline constexpr const char* DesktopKeyPath = "Control Panel\\Desktop";
inline constexpr const char* UsePasswordValueName = "ScreenSaveUsePassword";
inline constexpr const char* PasswordLibraryName = "PASSWORD.CPL";
inline constexpr const char* VerifyPasswordFunctionName = "VerifyScreenSavePwd";

// The preview's process-wide state; one preview per process.
struct PreviewState {
  HWND HostWindow = nullptr;
  HWND Window = nullptr;
  int Width = 0;
  int Height = 0;
  RenderingContext Context;
  // Set on the window's thread by an accepted key press, read by the redraw
  // thread.
  std::atomic<bool> Stop{false};
  // Whether the redraw thread runs: without it an accepted key press ends the
  // preview itself.
  bool RedrawThreadStarted = false;
  // The thread that owns the window and runs the message loop.
  DWORD WindowThreadId = 0;
};
extern PreviewState Preview;

// The preview driver: argument 2 of the command line names the host's window
// (none if missing or not a number). Returns when the preview has ended; at
// once if there is no window to draw into, as when the number names no
// window. Without a host, the preview's own window is owned by an application
// window with the title as its caption.
void RunPreview(HINSTANCE instance, const char* argument2, const char* title);

// Creates the window (a child of the host, or without one the topmost popup,
// owned by the owner if that is not null), builds the scene and sets up the
// rendering context. Null, with nothing built, if the system gave no window.
HWND CreatePreviewWindow(HINSTANCE instance, int width, int height, HWND host, HWND owner);

// Shows the window, then invalidates it every 40 ms until the stop flag is
// set, and then posts WM_DESTROY to it. If the window vanishes without its
// WM_DESTROY, it ends the message loop itself.
DWORD WINAPI PreviewRedrawThread(LPVOID);

LRESULT CALLBACK PreviewWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True if the preview may stop: no password is asked for, the password
// library or its check is missing, or the password was accepted.
bool VerifyPreviewPassword();
