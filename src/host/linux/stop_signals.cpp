#include "host/linux/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

constexpr int StopSignalNumbers[] = {SIGTERM, SIGINT, SIGHUP};

int pipeEnds[2] = {-1, -1};
volatile sig_atomic_t arrived = 0;
volatile sig_atomic_t catching = 0;
struct sigaction previous[3];

void OnStopSignal(int number) {
  const int savedErrno = errno;
  if (catching == 0) {
    // The default action, once the handler returns and the signal is no
    // longer blocked: the process ends by it.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
    raise(number);
    errno = savedErrno;
    return;
  }
  if (arrived == 0) arrived = number;
  const char byte = 1;
  // Non-blocking: with the pipe full, the byte already there wakes the loop.
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

bool StopSignals::Install() {
  if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i)
    if (sigaction(StopSignalNumbers[i], &action, &previous[i]) != 0) return false;
  return true;
}

StopSignals::~StopSignals() {
  catching = 0;
  if (pipeEnds[0] < 0) return;
  for (int i = 0; i < 3; ++i) sigaction(StopSignalNumbers[i], &previous[i], nullptr);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void StopSignals::Catch() { catching = 1; }

int StopSignals::Descriptor() const { return pipeEnds[0]; }

bool StopSignals::Arrived() const { return arrived != 0; }

int StopSignals::Which() const { return arrived; }

void EndBySignal(int number) {
  if (number == 0) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(number, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, number);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(number);
  _exit(128 + number);
}
