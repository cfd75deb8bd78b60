// quillmoor-wayland: the saver on Wayland. With the compositor's layer shell
// it draws the scene on one output and covers every other output in black,
// in the layer --layer names: as an idle daemon's saver, a screen locker's
// background or an animated wallpaper. Without the layer shell it shows one
// full-screen window.
// Exit codes: 0 when it ends as it should (input, a close request, the
// compositor closing its surfaces, another saver in the overlay or top layer
// already running in the session), 1 when it cannot run or the compositor
// goes away, 2 for a bad command line; SIGTERM, SIGINT and SIGHUP end it,
// after its clean-up, killed by that signal.
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "base/fpu_control.h"
#include "frame/platform.h"
#include "host/linux/option_scanner.h"
#include "host/linux/session_lock.h"
#include "host/linux/stop_signals.h"
#include "host/wayland/command_line.h"
#include "host/wayland/wayland_connection.h"
#include "host/wayland/wayland_egl.h"
#include "host/wayland/wayland_platform.h"
#include "host/wayland/wayland_saver.h"

namespace {

int Fail(const std::string& message) {
  std::cerr << "quillmoor-wayland: " << message << "\n";
  return 1;
}

// `endSignal`: the stop signal that ended the saver, 0 if none did.
int RunSaver(const WaylandOptions& options, StopSignals& signals, int& endSignal) {
  std::string error;
  WaylandConnection connection;
  if (!connection.Connect(error)) return Fail(error);
  // One saver that ends on input per session: a second one ends here, before
  // it makes a surface. Wallpapers and lock-screen backgrounds take no lock.
  SessionLock lock;
  if (EndsOnInput(options.Layer) &&
      !lock.TakeForSaver(WaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_RUNTIME_DIR")),
                         "quillmoor-wayland"))
    return 0;
  WaylandEgl egl;
  if (!egl.Initialize(connection.Display(), error)) return Fail(error);

  WaylandPlatform platform;
  UsePlatform(&platform);
  SaverEnd end;
  {
    WaylandSaver saver(connection, egl, platform, options, signals);
    if (!saver.Start(error)) {
      UsePlatform(nullptr);
      return Fail(error);
    }
    signals.Catch();
    end = saver.Run();
    error = saver.Error();
  }
  UsePlatform(nullptr);

  switch (end) {
    case SaverEnd::Signal:
      endSignal = signals.Which();
      return 0;
    case SaverEnd::CompositorGone:
    case SaverEnd::Failure:
      return Fail(error);
    case SaverEnd::SurfacesClosed:
      std::cerr << "quillmoor-wayland: the compositor closed the saver's surfaces\n";
      return 0;
    default:
      return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  InstallFpuControlWord();

  std::string error;
  const std::optional<WaylandOptions> options = ParseWaylandOptions(argc, argv, error);
  if (const std::optional<int> status = EndByCommandLine("quillmoor-wayland", WaylandUsage, options.has_value(),
                                                          options && options->Help, options && options->Version, error))
    return *status;

  int endSignal = 0;
  int status;
  {
    StopSignals signals;
    if (!InstallSaverStopSignals(signals)) return Fail("cannot set up the signal handlers");
    status = RunSaver(*options, signals, endSignal);
  }
  EndBySignal(endSignal);
  return status;
}
