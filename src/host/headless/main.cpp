// quillmoor-render: renders the scene at a chosen size, moment and seed to PNG
// with no display at all, one picture, a numbered sequence or a stream of
// pictures, and writes the frames' state as JSON.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>

#include "quillmoor_version.h"

#include "host/fpu_control.h"
#include "host/headless/output_stream.h"
#include "host/headless/png_writer.h"
#include "host/headless/progress.h"
#include "host/headless/render_session.h"
#include "host/headless/replacing_file.h"
#include "host/headless/state_output.h"
#include "host/linux/option_scanner.h"

namespace {

constexpr int Failed = 1;
constexpr int BadInput = 2;

// The signals that stop a run after the current frame: the terminal's
// interrupt, a polite kill, the terminal gone, the reader of a pipe gone.
constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) { stopSignal = signal; }

// The stop signals only ask the frame loop to stop after the current frame,
// so that every file it leaves is complete; one that whoever started us
// ignores (nohup, a background job) stays ignored. A write past the
// file-size limit fails with EFBIG and is reported like any failed write,
// instead of ending the process with a temporary file left behind.
void InstallSignalHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : StopSignals) {
    struct sigaction inherited;
    if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler != SIG_IGN)
      sigaction(signal, &action, nullptr);
  }
  std::signal(SIGXFSZ, SIG_IGN);
}

int Complain(const std::string& message, int status) {
  std::cerr << "quillmoor-render: " << message << "\n";
  return status;
}

// The usage and the version go to standard output, which may be closed or full.
int Print(const std::string& text) {
  std::string error;
  if (!CheckStream("-", "the text", error)) return Complain(error, Failed);
  if (!WriteAll(STDOUT_FILENO, text.data(), text.size()))
    return Complain(std::string("cannot write the text to standard output: ") + std::strerror(errno), Failed);
  return 0;
}

int Render(const RenderOptions& options) {
  InstallSignalHandlers();  // before any temporary file exists
  std::string error;
  bool badTarget = false;
  // Every output is checked before anything is rendered: a stream must be
  // open for writing (and a PNG not go to a terminal), and a file's folder
  // must take its temporary file.
  const bool toStream = !options.Out.empty() && StreamDescriptor(options.Out) >= 0;
  if (toStream) {
    if (!CheckStream(options.Out, "the PNG", error)) return Complain(error, BadInput);
    if (isatty(StreamDescriptor(options.Out)))
      return Complain("will not write a PNG to a terminal: redirect " + StreamTitle(options.Out), BadInput);
  } else if (!options.Out.empty()) {
    ReplacingFile probe;
    if (!probe.Open(options.OutName.For(0), error, &badTarget)) return Complain(error, badTarget ? BadInput : Failed);
    RemoveStaleTemporaries(FolderOf(probe.Target()));
  }
  StateOutput state;
  if (!options.State.empty() && !state.Start(options.State, error, &badTarget))
    return Complain(error, badTarget ? BadInput : Failed);
  if (options.Out.empty() && options.State.empty())
    std::cerr << "quillmoor-render: warning: no --out, --state or --print-state: the frames are rendered "
                 "and nothing is written\n";

  bool tooLarge = false;
  const std::unique_ptr<RenderSession> session = RenderSession::Start(options, error, &tooLarge);
  if (!session) return Complain(error, tooLarge ? BadInput : Failed);

  // The progress line keeps off standard error when an output goes there.
  const bool outputOnStderr =
      StreamDescriptor(options.Out) == STDERR_FILENO || StreamDescriptor(options.State) == STDERR_FILENO;
  Progress progress(options.Frames, outputOnStderr ? nullptr : stderr);
  const long long first = options.At ? MomentSeconds(*options.At) : 0;
  int frames = 0, pictures = 0;
  std::string lastPicture;
  int status = 0;
  bool cutShort = false;  // the frame in hand left unwritten
  while (frames < options.Frames && !stopSignal && status == 0) {
    const int frame = frames;
    const bool keep = options.Keeps(frame);
    // A numbered picture's name is checked before its frame is drawn.
    const std::string name = keep && !options.Out.empty() && !toStream ? options.OutName.For(pictures) : "";
    if (!name.empty() && !CheckTarget(name, error)) {
      status = BadInput;
      break;
    }
    if (options.At && options.Step > 0) session->Freeze(MomentAt(first + frame * options.Step));
    session->RunFrame();
    ++frames;
    if (keep) {
      bool written = true;
      if (!options.Out.empty()) {
        const int width = session->Width(), height = session->Height();
        written = toStream ? WritePngToStream(options.Out, width, height, session->Pixels(), error)
                           : WritePng(name, width, height, session->Pixels(), error);
        pictures += written;
        if (written) lastPicture = name;
      }
      written = written && (!state.Active() || state.Add(frame, error));
      // A reader that has gone stops the run, as SIGPIPE asks; any other
      // failed write fails it.
      if (!written && stopSignal == SIGPIPE) cutShort = true;
      else if (!written) status = Failed;
    }
    progress.Update(frames);
  }
  progress.Finish();
  // After a failure the state file stays as it was, and so does every
  // picture not yet replaced.
  if (status != 0) return Complain(error, status);
  if (!state.Finish(error)) return Complain(error, Failed);

  if (frames < options.Frames || cutShort) {
    const int signal = stopSignal;
    const std::string what =
        pictures == 0 ? "no picture written"
                      : std::to_string(pictures) + (pictures == 1 ? " picture" : " pictures") + " written" +
                            (toStream ? " to " + StreamTitle(options.Out) : ", the last " + EscapeControls(lastPicture));
    return Complain(std::string("stopped by SIG") + sigabbrev_np(signal) + " after " + std::to_string(frames) +
                        " of " + std::to_string(options.Frames) + " frames; " + what,
                    128 + signal);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  InstallFpuControlWord();
  GuardStandardDescriptors();

  std::string error;
  const std::optional<RenderOptions> options = ParseRenderOptions(argc, argv, error);
  if (!options) return Complain(error + "\nTry 'quillmoor-render --help'.", BadInput);
  if (options->Help) return Print(RenderUsage);
  if (options->Version) return Print("quillmoor-render " QUILLMOOR_VERSION_STRING "\n");
  return Render(*options);
}
