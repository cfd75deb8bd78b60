// The Linux programs' stop signals, each case in a child process of its own,
// since the handlers are process-wide: how the child ends, or what it saw.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <functional>
#include <string>

#include "host/linux/stop_signals.h"

namespace {

// Runs `body` in a child; "exit N" or "killed by SIGX".
std::string InChild(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return std::string("killed by SIG") + sigabbrev_np(WTERMSIG(status));
  return "exit " + std::to_string(WEXITSTATUS(status));
}

// Waits (5 s at most) until `pid` sleeps, as it does blocked in a read.
void WaitUntilAsleep(pid_t pid) {
  for (int tries = 0; tries < 5000; ++tries) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t end = line.rfind(')');
    if (end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'S') return;
    usleep(1000);
  }
}

// A read of an empty pipe while SIGUSR1 arrives and, a moment later, a
// byte: 1 when the read was restarted and got the byte, 2 when the signal cut
// it short, 3 when the signal was not noted. The signal is sent only once the
// reader sleeps, so that it falls inside the read however slowly the reader
// gets there.
int ReadThroughSignal(StopSignals::Policy policy) {
  StopSignals stops;
  int ends[2];
  if (pipe(ends) != 0 || !stops.Install({SIGUSR1}, policy)) return 9;
  stops.Catch();
  const pid_t self = getpid();
  if (fork() == 0) {
    WaitUntilAsleep(self);
    kill(self, SIGUSR1);
    usleep(200000);
    _exit(write(ends[1], "x", 1) == 1 ? 0 : 1);
  }
  char byte = 0;
  const ssize_t got = read(ends[0], &byte, 1);
  if (stops.Which() != SIGUSR1) return 3;
  return got == 1 ? 1 : got < 0 && errno == EINTR ? 2 : 4;
}

TEST(StopSignals, EndAtOnceUntilCaughtThenAreNotedAndEndTheProgramByThemselves) {
  // Before Catch: the process ends by the signal.
  EXPECT_EQ(InChild([] {
              StopSignals stops;
              if (!stops.Install({SIGTERM, SIGHUP}, {})) return 9;
              raise(SIGHUP);
              return 0;
            }),
            "killed by SIGHUP");
  // Caught: the first is noted, later ones do not replace it, the descriptor
  // is readable; EndBySignal then ends the process by it, handler or not.
  EXPECT_EQ(InChild([] {
              StopSignals stops;
              if (!stops.Install({SIGTERM, SIGINT}, {})) return 9;
              stops.Catch();
              if (stops.Arrived() || stops.Which() != 0) return 1;
              raise(SIGINT);
              raise(SIGTERM);
              char byte = 0;
              if (stops.Which() != SIGINT || read(stops.Descriptor(), &byte, 1) != 1) return 2;
              EndBySignal(stops.Which());
              return 3;
            }),
            "killed by SIGINT");
  EXPECT_EQ(InChild([] { return EndBySignal(0), 7; }), "exit 7");
}

TEST(StopSignals, RestartOrInterruptAsThePolicySays) {
  EXPECT_EQ(InChild([] { return ReadThroughSignal({.Restart = true}); }), "exit 1");
  EXPECT_EQ(InChild([] { return ReadThroughSignal({.Restart = false}); }), "exit 2");
}

TEST(StopSignals, AnIgnoredSignalStaysIgnoredOnlyWhenAsked) {
  for (const bool keep : {true, false}) {
    EXPECT_EQ(InChild([keep] {
                signal(SIGHUP, SIG_IGN);
                StopSignals stops;
                if (!stops.Install({SIGHUP, SIGTERM}, {.KeepIgnored = keep})) return 9;
                stops.Catch();
                raise(SIGHUP);
                return stops.Arrived() ? 1 : 0;
              }),
              keep ? "exit 0" : "exit 1");
  }
  // The handlers that were there come back with the object's end.
  EXPECT_EQ(InChild([] {
              signal(SIGTERM, SIG_IGN);
              { StopSignals stops; if (!stops.Install({SIGTERM}, {})) return 9; }
              raise(SIGTERM);
              return 0;
            }),
            "exit 0");
}

}  // namespace
