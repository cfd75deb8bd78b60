// The full-screen saver window: one borderless, topmost window over the
// primary screen that owns the scene's rendering context, draws a frame on
// every tick of its 30 ms timer, and ends the saver on the first key press or
// on a jump of the pointer by more than 100 pixels between two mouse moves.
#pragma once

#include "host/opengl.h"
#include "host/win32/rendering_context.h"

inline constexpr const char* SaverWindowClassName = "QuillmoorSaverWindow";
inline constexpr const char* SaverWindowCaption = "Quillmoor";
inline constexpr UINT Timer1Interval = 30;     // milliseconds per frame
inline constexpr LONG PointerJumpLimit = 100;  // pixels per mouse move, along either axis

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

  // FormShow, then the window appears on top of everything.
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
  bool FormCloseQuery();
  void FormClose();

  // Hide, show the pointer again, ask to close.
  void ExitSequence();
  // FormCloseQuery, then FormClose: the window is freed.
  void Close();
  bool IsActive() const;

  HWND window_ = nullptr;
  RenderingContext context_;
  POINT lastPointer_{};
  bool closing_ = false;
};
