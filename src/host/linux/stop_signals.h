// The signals that stop a Linux program (a saver, the headless renderer) and
// how it ends by them. Each program names its set and its policy; the rule is
// the same for all:
//
// - A stop signal is noted (the first one counts) and made readable on a file
//   descriptor (a self-pipe), so that an event loop waiting in poll wakes for
//   it too, and a loop of its own can look at it between frames; the program
//   then ends in order (files completed, font lists deleted, context
//   released, window left as it was found).
// - Until Catch, a stop signal ends the process at once, by that signal:
//   start-up may wait in calls that a signal does not cut short (a compositor
//   or X server that does not answer), and has nothing yet that the system
//   would not clean up itself.
// - Once done, EndBySignal ends the process by the same signal, as Unix
//   programs end on it, so that whoever started it (XScreenSaver, an idle
//   daemon, a shell ending its loop on Ctrl-C) sees it killed by that signal.
#pragma once

#include <initializer_list>

class StopSignals {
 public:
  struct Policy {
    // Whether a call the signal interrupts is restarted (SA_RESTART), or
    // fails with EINTR, so that a blocked write cannot hold a stop.
    bool Restart = true;
    // Whether a signal that whoever started the program ignores (nohup, a
    // background job) stays ignored.
    bool KeepIgnored = false;
  };

  StopSignals() = default;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  // Puts back the handlers that were there before Install.
  ~StopSignals();

  // Installs the handlers for `signals` (at most eight), which end the
  // process at once until Catch; false (with errno set) if the pipe or a
  // handler could not be set up. Once per process.
  bool Install(std::initializer_list<int> signals, Policy policy);

  // From now on a stop signal is only noted, for the program to end in order
  // (one that came before has already ended the process).
  void Catch();

  // Readable once a stop signal has arrived.
  int Descriptor() const;

  // Whether one has arrived; safe on any thread.
  bool Arrived() const;

  // The number of the first one that arrived, 0 if none; safe on any thread.
  int Which() const;
};

// The savers' stop signals: SIGTERM, SIGINT and SIGHUP, calls restarted.
bool InstallSaverStopSignals(StopSignals& signals);

// Ends the process by `number` with the signal's default action (termination),
// whatever handler or mask was in place. Returns only for 0, which stands for
// no signal; should the signal not end the process, exits with 128 + number.
void EndBySignal(int number);
