// X protocol errors. Xlib's own handler ends the process on the first error;
// the saver installs one that remembers the error instead, so that a bad
// window id or a window that vanished is reported in words and the saver
// still releases what it holds.
#pragma once

#include <X11/Xlib.h>

#include <string>

// Installs the remembering handler for protocol errors, and one for a lost
// connection that says so before Xlib ends the process.
void InstallX11ErrorHandlers();

// The first error since the last call, described, after a round trip that
// lets every request sent so far be answered; empty if there was none.
std::string TakeX11Error(Display* display);
