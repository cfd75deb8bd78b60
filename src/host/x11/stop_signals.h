// SIGTERM, SIGINT and SIGHUP as a readable file descriptor (a self-pipe), so
// that the event loop, waiting in poll for X events and the next frame, wakes
// for them too and ends the saver in order: font lists deleted, context
// released, exit code 0.
#pragma once

class StopSignals {
 public:
  StopSignals() = default;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  ~StopSignals();

  // Installs the handlers; false (with errno set) if the pipe or a handler
  // could not be set up.
  bool Install();

  // Readable once a stop signal has arrived.
  int Descriptor() const;

  // Whether one has arrived.
  bool Arrived() const;

  // The number of the first one that arrived, 0 if none.
  int Which() const;
};
