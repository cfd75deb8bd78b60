// The full-screen saver window: one borderless, topmost window over the
// primary screen that owns the scene's rendering context, draws a frame on
// every tick of its 30 ms timer, and ends the saver on the first key press or
// on a jump of the pointer by more than 100 pixels between two mouse moves,
// while it is the active window. Every other monitor gets a black window that
// passes its input on to it. While the display is off (the console display
// state the system tells of) its timer is stopped and nothing is drawn; input
// ends it as ever, and the timer starts again once the display is on or
// dimmed.
#pragma once

#include "base/opengl.h"
#include "host/saver_input/pointer_jump.h"
#include "host/visibility/draw_gate.h"
#include "host/win32/dark_windows.h"
#include "host/win32/rendering_context.h"

inline constexpr const char* SaverWindowClassName = "QuillmoorSaverWindow";
inline constexpr const char* SaverWindowCaption = "Quillmoor";
inline constexpr UINT Timer1Interval = 30;  // milliseconds per frame

// The system's screen-saver-running flag.
inline constexpr UINT SpiSetScreenSaverRunning = 97;

class SaverWindow {
 public:
  SaverWindow() = default;
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  // Creates the window, still hidden, with its timer, and runs FormCreate.
  // The owner, if not null, is the application's window (it owns the window;
  // it is not its parent). False if the system gave no window.
  bool Create(HINSTANCE instance, HWND owner);

  // Covers the other monitors, their windows owned as this one is; then
  // FormShow, and the window appears on top of everything.
  void Show();

  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void FormCreate();
  void FormShow();
  void Timer1Timer();
  void FormKeyDown();
  void FormMouseMove();
  // Records the pointer's screen position without judging the move.
  void RememberPointer();
  // When no window at all is active, makes this one active again.
  void TakeActivationBack();
  bool FormCloseQuery();
  void FormClose();
  // WM_POWERBROADCAST: a change of the console display's state stops or
  // starts Timer1.
  void PowerSettingChanged(const POWERBROADCAST_SETTING& setting);

  // Hide (the black windows too), show the pointer again, ask to close.
  void ExitSequence();
  // FormCloseQuery, then FormClose: the window is freed.
  void Close();
  // Puts this window on top of the topmost band, then the black windows
  // just below it, none of them activated: a window of another program that
  // was active meanwhile, topmost or not, goes back under them all.
  void RaiseAll();
  // Whether the active window is this one or one of the black windows.
  bool IsActive() const;

  HWND window_ = nullptr;
  HINSTANCE instance_ = nullptr;
  RenderingContext context_;
  // The pointer's last screen position, for moves over any of the saver's windows.
  PointerJump pointer_{0, 0};
  DarkWindows dark_;
  bool closing_ = false;
  // The display's state, told by the system from the registration on.
  DrawGate gate_;
  HPOWERNOTIFY powerNotification_ = nullptr;
};
