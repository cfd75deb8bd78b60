#include "host/headless/options.h"

#include <limits>
#include <string_view>

#include "host/headless/output_stream.h"
#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"
#include "host/text/whole_number.h"
#include "host/time/step_text.h"
#include "host/time/stepped_run.h"

const char* const RenderUsage =
    "usage: quillmoor-render [options]\n"
    "  --size WxH           picture size in pixels, each side 1 to 16384 (default 1920x1080)\n"
    "  --at \"YYYY-MM-DD HH:MM:SS\"  the local moment of the first frame, frozen, from\n"
    "                       1601-01-01 00:00:00 to 9999-12-31 23:59:59 (default: now, running)\n"
    "  --step SECONDS       with --at: move the moment on by SECONDS each frame (default 0),\n"
    "                       to the millisecond (0.04) or as a fraction (1/30); the clock\n"
    "                       shows the moment's whole second\n"
    "  --frames N           frames to run, 1 to 10000000 (default 1)\n"
    "  --seed N             seed of the random generator (default: the time of day)\n"
    "  --preview            the preview window's scene parameters instead of full screen\n"
    "  --out FILE.png       write the last frame as PNG; '-' writes it to standard output\n"
    "  --out NAME%05d.png   write a sequence: every kept frame, numbered 0, 1, 2, ...\n"
    "  --every K            keep frames 0, K, 2K, ... (default: every frame of a numbered\n"
    "                       --out); with --out - the PNGs follow one another, a stream\n"
    "  --format png|raw     PNG pictures (default), or raw RGB24 frames, top row first,\n"
    "                       back to back in one file or stream (or one file a frame\n"
    "                       with a numbered --out), for ffmpeg -f rawvideo\n"
    "  --compression fast|better|best  PNG size against speed (default: fast)\n"
    "  --state FILE         write the kept frames' state as JSON, one line per frame; '-' is\n"
    "                       standard output\n"
    "  --print-state        the same as --state -\n"
    "  -h, --help           this text\n"
    "  --version            the version\n"
    "Options take one dash or two, and a value as the next argument or after '='; '--'\n"
    "ends them. --out /dev/null renders and encodes, and throws the frames away.\n"
    "Files are replaced only once complete; /dev/stdout, /dev/stderr and /dev/fd/N are\n"
    "written as they are open. SIGINT, SIGTERM, SIGHUP or SIGPIPE stops after the\n"
    "current frame (a reader that stops reading holds it half a second at most),\n"
    "and once the files are complete the renderer dies by that signal, so that a\n"
    "shell sees it (a loop ends on Ctrl-C) and $? reads 128+N: 130 SIGINT, 143\n"
    "SIGTERM, 129 SIGHUP, 141 SIGPIPE. Exit status: 0 done, 1 failed, 2 bad input.\n";

namespace {

bool ParseSize(std::string_view text, int& width, int& height) {
  const auto x = text.find('x');
  if (x == std::string_view::npos) return false;
  return ParseWhole(text.substr(0, x), width) && ParseWhole(text.substr(x + 1), height) && width >= 1 &&
         height >= 1 && width <= MaxRenderSide && height <= MaxRenderSide;
}

// Combinations that cannot work, refused before anything is rendered.
bool CheckCombination(const RenderOptions& o, std::string& error) {
  if (StepWithoutMoment(o.At, o.StepMilliseconds)) {
    error = std::string("--step needs --at: ") + StepNeedsMomentReason;
    return false;
  }
  const int outStream = o.Out.empty() ? -1 : StreamDescriptor(o.Out);
  // Two outputs into the null device take nothing from each other.
  if (outStream >= 0 && !o.State.empty() && StreamDescriptor(o.State) == outStream && o.Out != NullDevice) {
    error = "--out " + EscapeControls(o.Out) + " and " +
            (o.State == "-" ? std::string("--print-state") : "--state " + EscapeControls(o.State)) + " both want " +
            StreamTitle(o.State) + ": give the state a file with --state FILE";
    return false;
  }
  if (o.Format == FrameFormat::Raw && o.PngCompression) {
    error = "--compression is for PNG pictures: --format raw is not compressed";
    return false;
  }
  if (o.Format == FrameFormat::Raw && o.Out.empty()) {
    error = "--format raw needs --out: a file, a numbered file name or - for standard output";
    return false;
  }
  if (o.Sequence() && !o.Out.empty() && !o.OutName.Numbered && outStream < 0 && o.Format == FrameFormat::Png) {
    error = "--every keeps several frames: give --out a frame number, e.g. frames/%05d.png, or - for a stream";
    return false;
  }
  if (o.At && LastFramePastCalendar(*o.At, o.Frames, o.StepMilliseconds, o.StepDivisor)) {
    error = LastFramePastCalendarMessage("--frames", "--step");
    return false;
  }
  return true;
}

}  // namespace

long long RenderOptions::OffsetMilliseconds(long long frame) const {
  return StepOffsetMilliseconds(frame, StepMilliseconds, StepDivisor);
}

std::optional<RenderOptions> ParseRenderOptions(int argc, const char* const* argv, std::string& error) {
  RenderOptions options;
  OptionScanner scanner(argc, argv);
  // The whole line is read even after a mistake, since --help or --version
  // anywhere on it wins; otherwise the first mistake is the one told.
  std::string mistake;
  const auto refuse = [&](const std::string& why) {
    if (mistake.empty()) mistake = why;
  };
  const auto bad = [](const char* what, const std::string& value, const std::string& expected) {
    return std::string("bad ") + what + " " + Quoted(value) + ": " + expected;
  };
  bool optionsEnded = false;
  while (scanner.Next()) {
    // "--" ends the options; the renderer takes no other arguments.
    if (!optionsEnded && scanner.Argument() == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded) {
      refuse("unexpected argument " + Quoted(scanner.Argument()) + ": the renderer takes options only");
      continue;
    }
    const std::string_view name = scanner.Name();
    const bool takesNoValue = name == "help" || name == "h" || name == "version" || name == "preview" ||
                              name == "print-state";
    const bool takesValue = name == "size" || name == "at" || name == "step" || name == "frames" ||
                            name == "seed" || name == "out" || name == "every" || name == "state" ||
                            name == "format" || name == "compression";
    std::string why;
    std::optional<std::string_view> text;
    if (!takesNoValue && !takesValue) {
      refuse(UnknownOption(scanner.Argument()));
      continue;
    }
    if ((takesNoValue && !scanner.NoValue(why)) || (takesValue && !(text = scanner.Value(why)))) {
      refuse(why);
      continue;
    }
    const std::string value = text ? std::string(*text) : std::string();
    if (name == "help" || name == "h") {
      options.Help = !options.Version;
    } else if (name == "version") {
      options.Version = !options.Help;
    } else if (name == "preview") {
      options.Preview = true;
    } else if (name == "print-state") {
      options.State.assign(1, '-');  // not = "-", which GCC 12 wrongly warns about (-Wrestrict)
    } else if (name == "size") {
      if (!ParseSize(value, options.Width, options.Height))
        refuse(bad("size", value, "expected WxH, each from 1 to " + std::to_string(MaxRenderSide)));
    } else if (name == "at") {
      options.At = ParseMoment(value, &why);
      if (!options.At) refuse(bad("moment", value, why));
    } else if (name == "step") {
      if (!ParseStep(value, options.StepMilliseconds, options.StepDivisor))
        refuse(bad("step", value, "expected seconds, 0 or more, to the millisecond (0.04) or as a fraction (1/30)"));
    } else if (name == "format") {
      if (value == "png" || value == "raw")
        options.Format = value == "raw" ? FrameFormat::Raw : FrameFormat::Png;
      else
        refuse(bad("format", value, "expected png or raw"));
    } else if (name == "compression") {
      options.PngCompression = CompressionNamed(value);
      if (!options.PngCompression) refuse(bad("compression", value, "expected fast, better or best"));
    } else if (name == "frames" || name == "every") {
      int& count = name == "frames" ? options.Frames : options.Every;
      if (!ParseWhole(value, count) || count < 1 || count > MaxFrames)
        refuse(bad(name == "frames" ? "frame count" : "--every", value,
                   "expected a whole number from 1 to " + std::to_string(MaxFrames)));
    } else if (name == "seed") {
      std::uint64_t seed = 0;
      if (ParseWhole(value, seed))
        options.Seed = seed;
      else
        refuse(bad("seed", value, "expected a whole number from 0 to 18446744073709551615"));
    } else if (name == "out" || name == "state") {
      if (value.empty()) refuse("--" + std::string(name) + " needs a file name");
      (name == "out" ? options.Out : options.State) = value;
    }
  }
  if (options.Help || options.Version) return options;
  if (mistake.empty() && !options.Out.empty() && StreamDescriptor(options.Out) < 0) {
    std::optional<OutputName> outName = ParseOutputName(options.Out, mistake);
    if (outName) options.OutName = *outName;
  }
  if (mistake.empty()) CheckCombination(options, mistake);
  if (!mistake.empty()) {
    error = mistake;
    return std::nullopt;
  }
  return options;
}
