// SIGTERM, SIGINT and SIGHUP as a readable file descriptor (a self-pipe), so
// that an event loop, waiting in poll for its events and the next frame, wakes
// for them too and ends the saver in order: font lists deleted, context
// released, window left as it was found. Once that is done, EndBySignal ends
// the process by the same signal, as Unix programs end on it, so that whoever
// started the saver (XScreenSaver, an idle daemon, a shell) sees it killed by
// that signal.
//
// Until the loop is about to run, a stop signal ends the process at once, by
// that signal: start-up may wait in calls that a signal does not cut short
// (a compositor or X server that does not answer), and has nothing yet that
// the system would not clean up itself.
#pragma once

class StopSignals {
 public:
  StopSignals() = default;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  // Puts back the handlers that were there before Install.
  ~StopSignals();

  // Installs the handlers, which end the process at once until Catch; false
  // (with errno set) if the pipe or a handler could not be set up.
  bool Install();

  // From now on a stop signal is only noted, for the loop to end in order
  // (one that came before has already ended the process).
  void Catch();

  // Readable once a stop signal has arrived.
  int Descriptor() const;

  // Whether one has arrived.
  bool Arrived() const;

  // The number of the first one that arrived, 0 if none.
  int Which() const;
};

// Ends the process by `number` with the signal's default action (termination),
// whatever handler or mask was in place. Returns only for 0, which stands for
// no signal; should the signal not end the process, exits with 128 + number.
void EndBySignal(int number);
