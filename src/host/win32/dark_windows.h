// The black windows over every monitor but the primary one while the saver
// runs full screen: borderless, topmost, owned by the application's window
// (no task bar button of their own), the pointer hidden over them, no OpenGL.
// They draw nothing but their black background and hand what reaches them to
// the saver's window, so that the saver ends by the same rules wherever the
// input comes: key presses and mouse moves are passed on to it (its one
// pointer record judges moves in screen coordinates), and a click activates
// the saver's window instead of whatever lies elsewhere.
#pragma once

#include "base/opengl.h"

inline constexpr const char* DarkWindowClassName = "QuillmoorDarkWindow";
// More monitors beside the primary one than any system drives; the windows
// are kept in a fixed table, as the rest of the saver's state is.
inline constexpr int MaxDarkWindows = 32;

class DarkWindows {
 public:
  DarkWindows() = default;
  DarkWindows(const DarkWindows&) = delete;
  DarkWindows& operator=(const DarkWindows&) = delete;
  ~DarkWindows() { Close(); }

  // Covers every monitor other than the primary one with a shown black
  // window, owned by `owner`, just below the saver's window `saver` in the
  // topmost band, without activating any. With one monitor nothing is made.
  void Cover(HINSTANCE instance, HWND owner, HWND saver);

  // Lays them again on the monitors as they are now: moved, made or
  // destroyed so that each monitor other than the primary one has one.
  void Layout();

  // Puts them back on top of the topmost band, the first made on top,
  // without activating any; the saver's window is then to go above them.
  void Raise();

  // Hides them all.
  void Hide();

  // Destroys them all.
  void Close();

  // Whether `window` is one of them.
  bool Owns(HWND window) const;

 private:
  static BOOL CALLBACK LayOne(HMONITOR monitor, HDC, LPRECT, LPARAM self);
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Puts window `k` over `monitor`, making it if it is the next one to make.
  // False if it could not be made.
  bool Place(int k, const RECT& monitor);

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  HWND saver_ = nullptr;
  HWND windows_[MaxDarkWindows] = {};
  int count_ = 0;  // windows made
  int laid_ = 0;   // monitors covered by the layout under way
};
