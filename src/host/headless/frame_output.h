// What the renderer writes for each frame it keeps, in frame order: the
// picture (a PNG or raw RGB24 frame: a file replaced once complete, or a
// stream written as it is open), then the frame's state line. The first
// failure is kept, and no frame is written after it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "host/headless/options.h"
#include "host/headless/replacing_file.h"
#include "host/headless/state_output.h"

struct KeptFrame {
  int Frame = 0;
  std::vector<std::uint8_t> Rgb;  // RGB rows top first; empty when no picture is written
  std::string Name;               // the picture's file; empty for a stream or the one raw file
  std::string StateLine;          // empty when no state is written
};

class FrameOutput {
 public:
  // `options` and `state` outlive the output; pictures are width x height.
  FrameOutput(const RenderOptions& options, StateOutput& state, int width, int height);

  // Before any frame: opens the temporary file of raw frames that go into one
  // file. On failure says why, and sets *badTarget when the target is at fault.
  bool Start(std::string& error, bool* badTarget);

  // Writes `frame` (its picture is released once encoded), unless an earlier
  // frame failed. May run on another thread than the rest; whatever fails
  // there, an exception included, is kept as a failed write.
  void Write(KeptFrame& frame);

  // Whether a write has failed; safe to ask while Write runs elsewhere.
  bool Failed() const { return failed_.load(std::memory_order_acquire); }
  // About the failure, once the Write that failed has returned.
  const std::string& Error() const { return error_; }
  int FailedFrame() const { return failedFrame_; }
  // Whether the failure is a write given up for a stop (AbandonWrites).
  bool Abandoned() const { return abandoned_; }

  // After the last frame or a stop: replaces the one raw file with the frames
  // written, if there are any.
  bool Finish(std::string& error);

  // For the stop message: what was written, and what a reader that went
  // away cut short when `cutShort`.
  std::string Written(bool cutShort) const;

 private:
  void WriteFrame(KeptFrame& frame);
  bool WritePicture(KeptFrame& frame);
  bool Fail(int frame, std::string why, bool inPicture);
  // How a failure names the picture `frame` goes to.
  std::string Where(const KeptFrame& frame) const;

  const RenderOptions& options_;
  StateOutput& state_;
  int width_, height_;
  bool toStream_;
  ReplacingFile oneFile_;  // raw frames that go into one file
  int pictures_ = 0;
  std::string lastPicture_;
  std::atomic<bool> failed_{false};
  std::string error_;
  int failedFrame_ = -1;
  bool failedInPicture_ = false;
  bool abandoned_ = false;
};
