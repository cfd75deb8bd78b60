// Where the kept frames' state lines go: an open stream (standard output,
// /dev/fd/N: see output_stream.h), written line by line as the frames are
// kept, or a file, replaced as the pictures are, only once complete: when the
// run has ended, or been stopped by a signal, with at least one line. After a
// failure, or a stop before any line, the old file stays as it was.
//
// A file's lines are held in memory up to a bound, and only then go to its
// temporary file, so that in most runs the temporary file exists only for
// the moment it takes to write it at the end.
#pragma once

#include <string>

#include "host/headless/replacing_file.h"

class StateOutput {
 public:
  // Checks the output `name` before any frame: a stream must be open for
  // writing, a file's folder must take its temporary file. On failure says
  // why in `error`, and sets *badTarget when the output is at fault.
  bool Start(const std::string& name, std::string& error, bool* badTarget);
  bool Active() const { return !name_.empty(); }

  // The state after frame `frame`: one line of JSON, read from the scene now.
  static std::string Line(int frame);
  // Writes a line Line() made; on failure says why in `error`, with errno
  // still telling the cause.
  bool Add(const std::string& line, std::string& error);
  int Lines() const { return lines_; }  // lines added
  // How messages name where the lines go.
  std::string Title() const;

  // Replaces a file with the lines added, if there are any.
  bool Finish(std::string& error);

 private:
  bool WriteHeld(std::string& error);

  std::string name_;
  bool stream_ = false;
  ReplacingFile file_;
  std::string held_;  // lines not yet in file_
  int lines_ = 0;
};
