#include "host/linux/stop_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

constexpr int MostSignals = 8;

// What a handler reads or writes: lock-free atomics, which a handler may
// touch and any thread may read.
int pipeEnds[2] = {-1, -1};
std::atomic<int> arrived{0};
std::atomic<bool> catching{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// The signals installed, and the handlers they had before.
int installed[MostSignals];
struct sigaction previous[MostSignals];
int installedCount = 0;

void OnStopSignal(int number) {
  const int savedErrno = errno;
  if (!catching.load()) {
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
  int none = 0;
  arrived.compare_exchange_strong(none, number);
  const char byte = 1;
  // Non-blocking: with the pipe full, the byte already there wakes the loop.
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

bool StopSignals::Install(std::initializer_list<int> signals, Policy policy) {
  if (signals.size() > MostSignals) {
    errno = EINVAL;
    return false;
  }
  if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = policy.Restart ? SA_RESTART : 0;
  for (const int number : signals) {
    struct sigaction inherited {};
    if (sigaction(number, nullptr, &inherited) != 0) return false;
    if (policy.KeepIgnored && inherited.sa_handler == SIG_IGN) continue;
    if (sigaction(number, &action, &previous[installedCount]) != 0) return false;
    installed[installedCount++] = number;
  }
  return true;
}

StopSignals::~StopSignals() {
  catching = false;
  for (int i = 0; i < installedCount; ++i) sigaction(installed[i], &previous[i], nullptr);
  installedCount = 0;
  if (pipeEnds[0] < 0) return;
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void StopSignals::Catch() { catching = true; }

int StopSignals::Descriptor() const { return pipeEnds[0]; }

bool StopSignals::Arrived() const { return arrived.load() != 0; }

int StopSignals::Which() const { return arrived.load(); }

bool InstallSaverStopSignals(StopSignals& signals) {
  return signals.Install({SIGTERM, SIGINT, SIGHUP}, {.Restart = true, .KeepIgnored = false});
}

void EndBySignal(int number) {
  if (number == 0) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(number, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, number);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(number);
  _exit(128 + number);
}
