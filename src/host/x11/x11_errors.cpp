#include "host/x11/x11_errors.h"

#include <cstdio>
#include <cstdlib>

#include "host/text/escaped_text.h"

namespace {

bool pending = false;
XErrorEvent first{};
char firstText[160];

int RememberError(Display* display, XErrorEvent* error) {
  if (!pending) {
    pending = true;
    first = *error;
    XGetErrorText(display, error->error_code, firstText, sizeof firstText);
  }
  return 0;
}

int ConnectionLost(Display* display) {
  std::fprintf(stderr, "quillmoor: lost the connection to the X display %s\n",
               EscapeControls(DisplayString(display)).c_str());
  std::_Exit(1);
}

}  // namespace

void InstallX11ErrorHandlers() {
  XSetErrorHandler(RememberError);
  XSetIOErrorHandler(ConnectionLost);
}

std::string TakeX11Error(Display* display) {
  XSync(display, False);
  if (!pending) return {};
  pending = false;
  char text[256];
  std::snprintf(text, sizeof text, "%s (request %u.%u, resource 0x%lx)", firstText,
                static_cast<unsigned>(first.request_code), static_cast<unsigned>(first.minor_code),
                first.resourceid);
  return text;
}
