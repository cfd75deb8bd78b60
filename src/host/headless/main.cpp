// quillmoor-render: renders the scene at a chosen size, moment and seed to PNG
// with no display at all, one picture or a numbered sequence, and writes the
// frames' state as JSON.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "host/fpu_control.h"
#include "host/linux/option_scanner.h"
#include "host/headless/png_writer.h"
#include "host/headless/progress.h"
#include "host/headless/render_session.h"
#include "host/headless/replacing_file.h"
#include "host/headless/state_json.h"

namespace {

constexpr int Failed = 1;
constexpr int BadInput = 2;

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) { stopSignal = signal; }

// SIGINT and SIGTERM only ask the frame loop to stop after the current frame,
// so that every file it leaves is complete. A write past the file-size limit
// fails with EFBIG and is reported like any failed write, instead of ending
// the process with a temporary file left behind.
void InstallSignalHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGXFSZ, SIG_IGN);
}

int Complain(const std::string& message, int status) {
  std::cerr << "quillmoor-render: " << message << "\n";
  return status;
}

bool WriteStateLine(std::FILE* stream, int frame) {
  std::ostringstream json;
  WriteStateJson(json, frame);
  const std::string line = json.str();
  return std::fwrite(line.data(), 1, line.size(), stream) == line.size() && std::fflush(stream) == 0;
}

int Render(const RenderOptions& options) {
  InstallSignalHandlers();  // before any temporary file exists
  std::string error;
  // What will be written is checked before anything is rendered.
  if (options.Out == "-" && isatty(STDOUT_FILENO))
    return Complain("will not write a PNG to a terminal: redirect standard output", BadInput);
  if (!options.Out.empty() && options.Out != "-" && !CheckTarget(options.OutName.For(0), error))
    return Complain(error, BadInput);
  ReplacingFile stateFile;
  if (!options.State.empty() && options.State != "-") {
    if (!CheckTarget(options.State, error)) return Complain(error, BadInput);
    if (!stateFile.Open(options.State, error)) return Complain(error, Failed);
  }
  std::FILE* const state = options.State == "-" ? stdout : stateFile.Stream();
  if (options.Out.empty() && options.State.empty())
    std::cerr << "quillmoor-render: warning: no --out, --state or --print-state: the frames are rendered "
                 "and nothing is written\n";

  bool tooLarge = false;
  const std::unique_ptr<RenderSession> session = RenderSession::Start(options, error, &tooLarge);
  if (!session) return Complain(error, tooLarge ? BadInput : Failed);

  Progress progress(options.Frames, stderr);
  const long long first = options.At ? MomentSeconds(*options.At) : 0;
  int frame = 0, pictures = 0;
  std::string lastPicture;
  int status = 0;
  for (; frame < options.Frames && !stopSignal && status == 0; ++frame) {
    if (options.At && options.Step > 0) session->Freeze(MomentAt(first + frame * options.Step));
    session->RunFrame();
    if (options.Keeps(frame)) {
      if (!options.Out.empty()) {
        const std::string name = options.Out == "-" ? options.Out : options.OutName.For(pictures);
        if (WritePng(name, session->Width(), session->Height(), session->Pixels(), error)) {
          ++pictures;
          lastPicture = name;
        } else {
          status = Failed;
        }
      }
      if (status == 0 && state != nullptr && !WriteStateLine(state, frame)) {
        error = "cannot write the state to " + (options.State == "-" ? "standard output" : options.State);
        status = Failed;
      }
    }
    progress.Update(frame + 1);
  }
  progress.Finish();
  if (status != 0) Complain(error, status);

  // The state lines written so far are whole and belong to pictures that were
  // written: they are kept after a failure or a stop as well.
  std::string stateError;
  if (stateFile.Stream() != nullptr && !stateFile.Commit(stateError)) status = Complain(stateError, Failed);
  if (status != 0) return status;

  if (frame < options.Frames) {
    const int signal = stopSignal;
    std::string what = pictures == 0 ? "no picture written"
                                     : std::to_string(pictures) + (pictures == 1 ? " picture" : " pictures") +
                                           " written, the last " + lastPicture;
    return Complain(std::string("stopped by ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") + " after " +
                        std::to_string(frame) + " of " + std::to_string(options.Frames) + " frames; " + what,
                    128 + signal);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  InstallFpuControlWord();

  std::string error;
  const std::optional<RenderOptions> options = ParseRenderOptions(argc, argv, error);
  if (const std::optional<int> status = EndByCommandLine("quillmoor-render", RenderUsage, options.has_value(),
                                                          options && options->Help, options && options->Version, error))
    return *status;
  return Render(*options);
}
