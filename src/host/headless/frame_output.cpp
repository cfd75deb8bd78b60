#include "host/headless/frame_output.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>

#include "host/headless/output_stream.h"
#include "host/headless/png_encoder.h"
#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"

namespace {

std::string Count(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

FrameOutput::FrameOutput(const RenderOptions& options, StateOutput& state, int width, int height)
    : options_(options),
      state_(state),
      width_(width),
      height_(height),
      toStream_(!options.Out.empty() && StreamDescriptor(options.Out) >= 0) {
  // Room for the message of a failure that leaves no memory to build one.
  error_.reserve(128);
}

bool FrameOutput::Start(std::string& error, bool* badTarget) {
  if (options_.Out.empty() || toStream_ || !options_.RawIntoOneFile()) return true;
  return oneFile_.Open(options_.OutName.For(0), error, badTarget) && oneFile_.TakesData(error);
}

bool FrameOutput::Fail(int frame, std::string why, bool inPicture) {
  error_ = std::move(why);
  failedFrame_ = frame;
  failedInPicture_ = inPicture;
  abandoned_ = WritesAbandoned();
  failed_.store(true, std::memory_order_release);
  return false;
}

bool FrameOutput::WritePicture(KeptFrame& frame) {
  const bool raw = options_.Format == FrameFormat::Raw;
  std::vector<std::uint8_t> bytes;
  if (raw) {
    bytes.swap(frame.Rgb);
  } else {
    bytes = EncodePng(width_, height_, std::move(frame.Rgb), options_.PngCompression.value_or(Compression::Fast));
  }
  std::string error;
  if (toStream_) {
    if (WriteAll(StreamDescriptor(options_.Out), bytes.data(), bytes.size())) return true;
    const char* what = raw ? "the frames" : "the PNG";
    return Fail(frame.Frame,
                std::string("cannot write ") + what + " to " + StreamTitle(options_.Out) + ": " + std::strerror(errno),
                true);
  }
  if (oneFile_.IsOpen()) return oneFile_.Write(bytes.data(), bytes.size(), error) || Fail(frame.Frame, error, true);
  ReplacingFile file;
  if (file.Open(frame.Name, error) && file.Write(bytes.data(), bytes.size(), error) && file.Commit(error)) {
    lastPicture_ = frame.Name;
    return true;
  }
  return Fail(frame.Frame, error, true);
}

std::string FrameOutput::Where(const KeptFrame& frame) const {
  const bool raw = options_.Format == FrameFormat::Raw;
  if (options_.Out.empty()) return "the state to " + state_.Title();
  if (toStream_) return std::string(raw ? "the frames" : "the PNG") + " to " + StreamTitle(options_.Out);
  return Quoted(oneFile_.IsOpen() ? options_.OutName.For(0) : frame.Name);
}

void FrameOutput::Write(KeptFrame& frame) {
  if (Failed()) return;
  try {
    try {
      WriteFrame(frame);
    } catch (const std::bad_alloc&) {
      Fail(frame.Frame, "cannot write " + Where(frame) + ": " + std::strerror(ENOMEM), true);
    } catch (const std::exception& failure) {  // a failed deflate among them, told as itself
      Fail(frame.Frame, "cannot write " + Where(frame) + ": " + failure.what(), true);
    }
  } catch (...) {
    // Not even the message could be made: the one reserved room holds this one.
    error_.assign("cannot write the frames: out of memory");
    failedFrame_ = frame.Frame;
    failedInPicture_ = true;
    failed_.store(true, std::memory_order_release);
  }
}

void FrameOutput::WriteFrame(KeptFrame& frame) {
  if (!options_.Out.empty()) {
    if (!WritePicture(frame)) return;
    ++pictures_;
  }
  std::string error;
  if (state_.Active() && !state_.Add(frame.StateLine, error)) Fail(frame.Frame, error, false);
}

bool FrameOutput::Finish(std::string& error) { return !oneFile_.IsOpen() || pictures_ == 0 || oneFile_.Commit(error); }

std::string FrameOutput::Written(bool cutShort) const {
  const bool raw = options_.Format == FrameFormat::Raw;
  std::string said;
  const auto say = [&](const std::string& part) { said += (said.empty() ? "" : ", ") + part; };
  if (!options_.Out.empty()) {
    if (pictures_ == 0)
      say(raw ? "no frame written" : "no picture written");
    else if (toStream_ || options_.RawIntoOneFile())
      say(Count(pictures_, raw ? "frame" : "picture", raw ? "frames" : "pictures") + " written to " +
          (toStream_ ? StreamTitle(options_.Out) : Quoted(options_.OutName.For(0))));
    else
      say(Count(pictures_, raw ? "frame" : "picture", raw ? "frames" : "pictures") + " written, the last " +
          Quoted(lastPicture_));
  }
  if (state_.Active())
    say(state_.Lines() == 0 ? "no state line written"
                            : Count(state_.Lines(), "state line", "state lines") + " written to " + state_.Title());
  if (said.empty()) said = "nothing written";
  if (cutShort)
    said += "; frame " + std::to_string(failedFrame_) + "'s " +
            (failedInPicture_ ? (raw ? "raw frame" : "picture") : "state line") + " cut short";
  return said;
}
