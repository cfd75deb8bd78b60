// quillmoor-render: renders the scene at a chosen size, moment and seed with
// no display at all, to PNG (one picture, a numbered sequence or a stream of
// pictures) or to raw RGB24 frames, and writes the frames' state as JSON.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>
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
#include "host/linux/stop_signals.h"
#include "host/text/escaped_text.h"

namespace {

constexpr int Failed = 1;
constexpr int BadInput = 2;

// The signals that stop a run after the current frame: the terminal's
// interrupt, a polite kill, the terminal gone, the reader of a pipe gone.
// They only ask the frame loop to stop after the current frame, so that every
// file it leaves is complete; one that whoever started us ignores (nohup, a
// background job) stays ignored. They interrupt a blocked write instead of
// restarting it, so that a reader that stops reading cannot hold the run.
StopSignals stops;

bool InstallSignalHandlers() {
  if (!stops.Install({SIGINT, SIGTERM, SIGHUP, SIGPIPE}, {.Restart = false, .KeepIgnored = true})) return false;
  stops.Catch();
  // A write past the file-size limit fails with EFBIG and is reported like
  // any failed write, instead of ending the process with a temporary file
  // left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  return true;
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

// How many pictures a run keeps.
long long KeptPictures(const RenderOptions& options) {
  if (!options.Sequence()) return 1;
  return (options.Frames - 1) / (options.Every > 0 ? options.Every : 1) + 1;
}

// The numbered picture, among those the run will write, that is the state
// file, if one is: the state named as it is (also once their folders are
// resolved, or through a link), or a picture already there that is a link to
// the state. Found before the first frame, not once the run reaches it.
std::optional<std::string> PictureAsState(const RenderOptions& options) {
  const OutputName& out = options.OutName;
  const long long pictures = KeptPictures(options);
  const auto kept = [&](std::optional<long long> number) { return number && *number < pictures; };
  if (const auto number = out.NumberOf(options.State); kept(number) && SameFile(out.For(*number), options.State))
    return out.For(*number);
  if (out.Suffix.find('/') != std::string::npos) return std::nullopt;  // the number names folders: checked frame by frame

  // The pictures' folder, and their names within it.
  const std::size_t slash = out.Prefix.find_last_of('/');
  const std::string folder = FolderOf(out.Prefix + "0");
  OutputName inFolder = out;
  inFolder.Prefix = slash == std::string::npos ? out.Prefix : out.Prefix.substr(slash + 1);
  const auto inPicturesFolder = [&](const std::string& path) -> std::optional<std::string> {
    const std::size_t at = path.find_last_of('/');
    const auto number = inFolder.NumberOf(at == std::string::npos ? path : path.substr(at + 1));
    if (kept(number) && SameFile(FolderOf(path), folder)) return out.For(*number);
    return std::nullopt;
  };
  if (const auto picture = inPicturesFolder(options.State)) return picture;
  std::error_code failed;
  const std::string resolved = std::filesystem::canonical(options.State, failed).string();
  if (failed) return std::nullopt;  // no state file yet: nothing can be a link to it
  if (const auto picture = inPicturesFolder(resolved)) return picture;

  struct stat state;
  if (stat(resolved.c_str(), &state) != 0) return std::nullopt;
  DIR* const dir = opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = readdir(dir)) {
    // Only a link, or another name of the state's own inode, can be the state.
    const bool maybe = entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN || entry->d_ino == state.st_ino;
    const auto number = maybe ? inFolder.NumberOf(entry->d_name) : std::nullopt;
    if (kept(number) && SameFile(out.For(*number), resolved)) {
      found = out.For(*number);
      break;
    }
  }
  closedir(dir);
  return found;
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
// for writing (and a picture not go to a terminal), no picture may be the
// state file, and a file's folder must take its temporary file. The exit
// status when one is refused.
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
    if (plan.StateToFile && options.OutName.Numbered)
      if (const std::optional<std::string> picture = PictureAsState(options))
        return Complain(SameFileClash(options, *picture), BadInput);
    // The folder must take a temporary file, and the file a byte.
    ReplacingFile probe;
    if (!probe.Open(first, error, &badTarget)) return Complain(error, badTarget ? BadInput : Failed);
    if (!probe.TakesData(error)) return Complain(error, Failed);
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

// How often a wait for the writer looks for a stop signal, and how long the
// write in hand has, once a stop has come, to end before it is given up: a
// reader that has stopped reading must not hold the run.
constexpr auto Slice = std::chrono::milliseconds(50);
constexpr auto Grace = std::chrono::milliseconds(500);

// Waits until the writer is free for the next frame; false when a stop
// came while it was still busy.
bool WriterFree(BackgroundWriter& writer) {
  while (!writer.Idle(Slice))
    if (stops.Arrived()) return false;
  return true;
}

// Waits for the writer's last job. After a stop it has Grace to end; then
// its writes are given up and the thread interrupted until its job returns.
// The files are completed after that, and written in full.
void FinishWriting(BackgroundWriter& writer) {
  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> stopSeen;
  while (!writer.Idle(Slice)) {
    if (!stops.Arrived()) continue;
    const Clock::time_point now = Clock::now();
    if (!stopSeen) stopSeen = now;
    if (now - *stopSeen < Grace) continue;
    AbandonWrites(true);
    writer.Interrupt(stops.Which());  // again each slice: it may come just before the write
  }
  AbandonWrites(false);
}

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
  while (end.Frames < options.Frames && !stops.Arrived() && !output.Failed()) {
    const int frame = end.Frames;
    const bool keep = options.Keeps(frame);
    // A picture's name is checked again before its frame is drawn (raw
    // frames into one file have theirs open already): it may have changed.
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
    if (keep) {
      // A stop while the frame before is still being written drops this one.
      if (!WriterFree(writer)) break;
      KeptFrame kept;
      kept.Frame = frame;
      if (!options.Out.empty()) kept.Rgb = session.Pixels();
      kept.Name = name;
      if (state.Active()) kept.StateLine = StateOutput::Line(frame);
      ++pictures;
      writer.Run([&output, kept = std::move(kept)]() mutable { output.Write(kept); });
      if (!writeAhead) WriterFree(writer);
    }
    ++end.Frames;
    progress.Update(end.Frames);
  }
  FinishWriting(writer);
  return end;
}

// What a finished loop leaves behind, and the exit status. A reader that has
// gone stops the run, as SIGPIPE asks, with the frame whose write it cut
// short, and so does a stop that gave up a write a reader held; the frames
// told are those before it. Any other failed write fails the run. After a
// failure the state file stays as it was, and so does every picture not yet
// replaced.
int Conclude(const RenderOptions& options, FrameOutput& output, StateOutput& state, LoopEnd end) {
  const bool cutShort = output.Failed() && (stops.Which() == SIGPIPE || output.Abandoned());
  if (output.Failed() && !cutShort) return Complain(output.Error(), Failed);
  if (end.Status != 0) return Complain(end.Error, end.Status);
  if (cutShort) end.Frames = output.FailedFrame();
  std::string error;
  if (!output.Finish(error) || !state.Finish(error)) return Complain(error, Failed);

  // A stop signal ends the run even when it came during the last frame, and
  // says what was written; main() then ends by the signal.
  if (const int signal = stops.Which()) {
    return Complain(std::string("stopped by SIG") + sigabbrev_np(signal) + " after " + std::to_string(end.Frames) +
                        " of " + std::to_string(options.Frames) + " frames; " + output.Written(cutShort),
                    128 + signal);
  }
  return 0;
}

int Render(const RenderOptions& options) {
  ReadFileCreationMask();   // before any other thread exists
  // Before any temporary file exists.
  if (!InstallSignalHandlers())
    return Complain(std::string("cannot set up the signal handlers: ") + std::strerror(errno), Failed);
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

// Render, with a failure it throws (no memory for a picture of a large
// --size, say) told in one line as any other failure, once every file it had
// open has been taken back: the temporary files are removed as the objects
// that hold them go, and whatever was there before stays.
int RenderReportingFailure(const RenderOptions& options) {
  try {
    try {
      return Render(options);
    } catch (const std::bad_alloc&) {
      return Complain(std::string("cannot render the frames: ") + std::strerror(ENOMEM), Failed);
    } catch (const std::exception& failure) {
      return Complain(std::string("cannot render the frames: ") + failure.what(), Failed);
    }
  } catch (...) {
    // Not even the message could be made.
    static constexpr char message[] = "quillmoor-render: cannot render the frames: out of memory\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    return Failed;
  }
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
  const int status = RenderReportingFailure(*options);
  if (const int signal = stops.Which(); signal != 0 && status == 128 + signal) EndBySignal(signal);
  return status;
}
