// quillmoor-render: renders the scene at a chosen size, moment and seed with
// no display at all, to PNG (one picture, a numbered sequence or a stream of
// pictures) or to raw RGB24 frames, and writes the frames' state as JSON.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "quillmoor_version.h"

#include "base/fpu_control.h"
#include "host/headless/frame_output.h"
#include "host/headless/background_writer.h"
#include "host/headless/output_stream.h"
#include "host/headless/progress.h"
#include "host/headless/render_session.h"
#include "host/headless/replacing_file.h"
#include "host/headless/state_output.h"
#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"

namespace {

constexpr int Failed = 1;
constexpr int BadInput = 2;

// The signals that stop a run after the current frame: the terminal's
// interrupt, a polite kill, the terminal gone, the reader of a pipe gone.
constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Set by whichever thread the signal reaches, read by the frame loop: a
// lock-free atomic, which a signal handler may write.
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

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

// Pictures larger than this are written before the next frame is drawn,
// instead of while it is drawn, so that memory holds only one of them.
constexpr std::size_t LargestPictureAhead = std::size_t{64} << 20;

// The refusal of two outputs that would both write the file `path`.
std::string SameFileClash(const RenderOptions& options, const std::string& picture) {
  return "--out " + Quoted(picture) + " and --state " + Quoted(options.State) +
         " name the same file: each output needs its own";
}

// Where a run's outputs go, as its checks found them.
struct OutputPlan {
  bool Raw = false;
  bool ToStream = false;     // --out names a stream (standard output, a descriptor)
  bool StateToFile = false;  // --state names a file
};

OutputPlan PlanOutputs(const RenderOptions& options) {
  OutputPlan plan;
  plan.Raw = options.Format == FrameFormat::Raw;
  plan.ToStream = !options.Out.empty() && StreamDescriptor(options.Out) >= 0;
  plan.StateToFile = !options.State.empty() && StreamDescriptor(options.State) < 0;
  return plan;
}

// Every output is checked before anything is rendered: a stream must be open
// for writing (and a picture not go to a terminal), and a file's folder must
// take its temporary file. The exit status when one is refused.
std::optional<int> CheckOutputs(const RenderOptions& options, const OutputPlan& plan) {
  std::string error;
  bool badTarget = false;
  if (plan.ToStream) {
    if (!CheckStream(options.Out, plan.Raw ? "the frames" : "the PNG", error)) return Complain(error, BadInput);
    if (isatty(StreamDescriptor(options.Out)))
      return Complain(std::string("will not write ") + (plan.Raw ? "raw frames" : "a PNG") +
                          " to a terminal: redirect " + StreamTitle(options.Out),
                      BadInput);
  } else if (!options.Out.empty()) {
    const std::string first = options.OutName.For(0);
    if (plan.StateToFile && SameFile(first, options.State)) return Complain(SameFileClash(options, first), BadInput);
    ReplacingFile probe;
    if (!probe.Open(first, error, &badTarget)) return Complain(error, badTarget ? BadInput : Failed);
    RemoveStaleTemporaries(FolderOf(probe.Target()));
  }
  return std::nullopt;
}

// How the frame loop ended: frames drawn, and the refusal that stopped it, if any.
struct LoopEnd {
  int Frames = 0;
  int Status = 0;
  std::string Error;
};

// Draws the frames and hands each kept one to the writer: frame N is encoded
// and written on a second thread while frame N + 1 is drawn. Stops on a stop
// signal, a failed write (before the next frame) or a picture name refused.
LoopEnd RunFrames(const RenderOptions& options, const OutputPlan& plan, RenderSession& session,
                  FrameOutput& output, const StateOutput& state, Progress& progress) {
  const bool writeAhead =
      static_cast<std::size_t>(session.Width()) * static_cast<std::size_t>(session.Height()) * 3 <=
      LargestPictureAhead;
  const long long first = options.At ? MomentSeconds(*options.At) * 1000 : 0;
  LoopEnd end;
  BackgroundWriter writer;
  int pictures = 0;
  while (end.Frames < options.Frames && !stopSignal && !output.Failed()) {
    const int frame = end.Frames;
    const bool keep = options.Keeps(frame);
    // A picture's name is checked before its frame is drawn (raw frames
    // into one file have theirs open already).
    const bool named = keep && !options.Out.empty() && !plan.ToStream && !options.RawIntoOneFile();
    const std::string name = named ? options.OutName.For(pictures) : "";
    if (named && !CheckTarget(name, end.Error)) end.Status = BadInput;
    if (named && end.Status == 0 && plan.StateToFile && SameFile(name, options.State)) {
      end.Error = SameFileClash(options, name);
      end.Status = BadInput;
    }
    if (end.Status != 0) break;
    if (options.At && options.Stepping())
      session.Freeze(MomentAtMilliseconds(first + options.OffsetMilliseconds(frame)));
    session.RunFrame();
    ++end.Frames;
    if (keep) {
      KeptFrame kept;
      kept.Frame = frame;
      if (!options.Out.empty()) kept.Rgb = session.Pixels();
      kept.Name = name;
      if (state.Active()) kept.StateLine = StateOutput::Line(frame);
      ++pictures;
      writer.Run([&output, kept = std::move(kept)]() mutable { output.Write(kept); });
      if (!writeAhead) writer.Wait();
    }
    progress.Update(end.Frames);
  }
  writer.Wait();
  return end;
}

// What a finished loop leaves behind, and the exit status. A reader that has
// gone stops the run, as SIGPIPE asks, after the frame whose write it cut
// short; any other failed write fails it. After a failure the state file stays
// as it was, and so does every picture not yet replaced.
int Conclude(const RenderOptions& options, FrameOutput& output, StateOutput& state, LoopEnd end) {
  const bool cutShort = output.Failed() && stopSignal.load() == SIGPIPE;
  if (output.Failed() && !cutShort) return Complain(output.Error(), Failed);
  if (end.Status != 0) return Complain(end.Error, end.Status);
  if (cutShort) end.Frames = output.FailedFrame() + 1;
  std::string error;
  if (!output.Finish(error) || !state.Finish(error)) return Complain(error, Failed);

  // A stop signal ends with 128 + its number even when it came during the
  // last frame, and says what was written.
  if (const int signal = stopSignal) {
    return Complain(std::string("stopped by SIG") + sigabbrev_np(signal) + " after " + std::to_string(end.Frames) +
                        " of " + std::to_string(options.Frames) + " frames; " + output.Written(cutShort),
                    128 + signal);
  }
  return 0;
}

int Render(const RenderOptions& options) {
  InstallSignalHandlers();  // before any temporary file exists
  const OutputPlan plan = PlanOutputs(options);
  if (const std::optional<int> refused = CheckOutputs(options, plan)) return *refused;

  std::string error;
  bool badTarget = false;
  StateOutput state;
  if (!options.State.empty() && !state.Start(options.State, error, &badTarget))
    return Complain(error, badTarget ? BadInput : Failed);
  if (options.Out.empty() && options.State.empty())
    std::cerr << "quillmoor-render: warning: no --out, --state or --print-state: the frames are rendered "
                 "and nothing is written\n";
  bool tooLarge = false;
  const std::unique_ptr<RenderSession> session = RenderSession::Start(options, error, &tooLarge);
  if (!session) return Complain(error, tooLarge ? BadInput : Failed);
  FrameOutput output(options, state, session->Width(), session->Height());
  if (!output.Start(error, &badTarget)) return Complain(error, badTarget ? BadInput : Failed);

  // The progress line keeps off standard error when an output goes there.
  const bool outputOnStderr =
      StreamDescriptor(options.Out) == STDERR_FILENO || StreamDescriptor(options.State) == STDERR_FILENO;
  Progress progress(options.Frames, outputOnStderr ? nullptr : stderr);
  const LoopEnd end = RunFrames(options, plan, *session, output, state, progress);
  progress.Finish();
  return Conclude(options, output, state, end);
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
