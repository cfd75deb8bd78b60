#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "escaped_message.h"
#include "host/linux/session_lock.h"
#include "namespace_root.h"

// Outcomes by name in failure messages.
void PrintTo(SessionLock::Outcome outcome, std::ostream* out) {
  static const char* const names[] = {"Taken", "HeldElsewhere", "Unavailable"};
  const auto index = static_cast<unsigned>(outcome);
  *out << (index < 3 ? names[index] : "an outcome of no name");
}

namespace {

// Takes the lock of `session` in a child process, which an alarm ends after
// five seconds: nothing when the take waited (or the child died).
std::optional<SessionLock::Outcome> TakeInChild(const char* session) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    alarm(5);
    std::string error;
    _exit(static_cast<int>(SessionLock().Take(session, error)));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return std::nullopt;
  return static_cast<SessionLock::Outcome>(WEXITSTATUS(status));
}

TEST(SessionLock, OneNamePerXServerWhateverTheScreenOrTheLocalSpelling) {
  EXPECT_EQ(X11Session(":0"), "x11:0");
  EXPECT_EQ(X11Session(":0.1"), "x11:0");
  EXPECT_EQ(X11Session("unix:0.0"), "x11:0");
  EXPECT_EQ(X11Session(":1"), "x11:1");
  // Another host's display (ssh's forwarding, say) is another server.
  EXPECT_EQ(X11Session("localhost:10.0"), "x11-localhost:10");
}

TEST(SessionLock, OneWaylandSessionHoweverItsSocketIsWritten) {
  EXPECT_EQ(WaylandSocketPath(nullptr, "/run/user/7"), "/run/user/7/wayland-0");
  EXPECT_EQ(WaylandSocketPath("/s/wayland-2", nullptr), "/s/wayland-2");
  EXPECT_EQ(WaylandSocketPath("wayland-1", "run/user/7"), "");  // a name needs an absolute folder
  char folder[] = "/tmp/quillmoor-session-test.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string socket = std::string(folder) + "/wayland-1", link = std::string(folder) + "/link";
  ASSERT_EQ(close(open(socket.c_str(), O_CREAT | O_WRONLY, 0600)), 0);
  ASSERT_EQ(symlink(folder, link.c_str()), 0);
  for (const auto& [display, runtime] : {std::pair<std::string, const char*>{"wayland-1", folder},
                                         {socket, nullptr}, {link + "/./wayland-1", "/r"}, {"wayland-1", link.c_str()}})
    EXPECT_EQ(WaylandSession(display.c_str(), runtime), socket) << display;
  EXPECT_EQ(WaylandSession("wayland-2", folder), std::string(folder) + "/wayland-2");  // not there
  std::filesystem::remove_all(folder);
}

TEST(SessionLock, TheFileLiesInTheRuntimeFolderElseInTmpUnderTheUsersId) {
  EXPECT_EQ(SessionLockPath("wayland-1", "/run/user/1000", 1000), "/run/user/1000/quillmoor-saver.wayland-1.lock");
  EXPECT_EQ(SessionLockPath("x11:0", nullptr, 1000), "/tmp/quillmoor-saver-1000.x11:0.lock");
  EXPECT_EQ(SessionLockPath("x11:0", "run/user", 7), "/tmp/quillmoor-saver-7.x11:0.lock");
  // A socket given by its full path stays one file name.
  EXPECT_EQ(SessionLockPath("/run/w%1", "/r", 0), "/r/quillmoor-saver.%2Frun%2Fw%251.lock");
}

TEST(SessionLock, OnlyAnotherSaverOfTheSessionHoldsIt) {
  char folder[] = "/tmp/quillmoor-lock-test.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const char* saved = getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  setenv("XDG_RUNTIME_DIR", folder, 1);
  std::string error;
  {
    SessionLock first;
    ASSERT_EQ(first.Take("wayland-1", error), SessionLock::Outcome::Taken) << error;
    SessionLock second;
    EXPECT_EQ(second.Take("wayland-1", error), SessionLock::Outcome::HeldElsewhere);
    EXPECT_FALSE(second.TakeForSaver("wayland-1", "test"));
    SessionLock otherSession;
    EXPECT_EQ(otherSession.Take("wayland-2", error), SessionLock::Outcome::Taken) << error;
  }
  SessionLock after;
  EXPECT_EQ(after.Take("wayland-1", error), SessionLock::Outcome::Taken) << error;
  // A folder that is not there: the saver runs without the lock.
  setenv("XDG_RUNTIME_DIR", (std::string(folder) + "/gone").c_str(), 1);
  EXPECT_TRUE(SessionLock().TakeForSaver("wayland-1", "test"));

  // What anyone could put at the path, another user in /tmp above all: never
  // the lock, never followed, never waited for; and the path in the message
  // escaped. Each take runs in a child process that an alarm ends if it
  // waits, so that a wait fails its own row and no later one.
  setenv("XDG_RUNTIME_DIR", folder, 1);
  const std::string path = SessionLockPath("x11:5", folder, getuid()), target = std::string(folder) + "/target";
  const auto take = [] { return TakeInChild("x11:5"); };
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
  EXPECT_EQ(take(), SessionLock::Outcome::Unavailable);
  EXPECT_NE(access(target.c_str(), F_OK), 0) << "made through the link";
  unlink(path.c_str());
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(take(), SessionLock::Outcome::Unavailable) << "a FIFO";
  unlink(path.c_str());
  ASSERT_EQ(close(open(target.c_str(), O_CREAT | O_WRONLY, 0644)), 0);
  ASSERT_EQ(link(target.c_str(), path.c_str()), 0);  // another name for one of the user's files
  EXPECT_EQ(take(), SessionLock::Outcome::Unavailable) << "a second name";
  unlink(target.c_str());
  const int other = open(path.c_str(), O_RDONLY);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  EXPECT_EQ(take(), SessionLock::Outcome::HeldElsewhere);
  close(other);
  unlink(path.c_str());
  // The runtime folder echoed escaped, byte for byte, in the error and in
  // the saver's line.
  setenv("XDG_RUNTIME_DIR", ("/nowhere" + ControlCharacters() + "\x9b").c_str(), 1);
  EXPECT_EQ(SessionLock().Take("x11:5", error), SessionLock::Outcome::Unavailable);
  const std::string cause =
      "cannot open the lock file /nowhere" + ControlsEscaped + "\\x9b/quillmoor-saver.x11:5.lock: No such file or directory";
  EXPECT_EQ(error, cause);
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(SessionLock().TakeForSaver("x11:5", "quillmoor"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "quillmoor: " + cause + "; running without it\n");

  if (saved != nullptr) setenv("XDG_RUNTIME_DIR", previous.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
  std::filesystem::remove_all(folder);
}

// A file of another user's at the lock's path is never the lock, held or
// not. Giving a file away takes root: as root the file is given to nobody;
// as root of a user namespace of the test's own, where only the test's user
// is mapped, a file of the real root's (shown as nobody's there) is bound
// over the path; as an ordinary user the test runs again that way.
TEST(SessionLock, AnotherUsersFileIsNeverTheLock) {
  const RootRun run = RunAsRoot();
  if (run == RootRun::Unavailable) GTEST_SKIP() << RootRunUnavailable;
  if (run == RootRun::InChild) return;
  char folder[] = "/tmp/quillmoor-owner-test.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const char* saved = getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  setenv("XDG_RUNTIME_DIR", folder, 1);
  const std::string path = SessionLockPath("x11:5", folder, getuid());
  ASSERT_EQ(close(open(path.c_str(), O_CREAT | O_WRONLY, 0644)), 0);
  const bool mapped = InUserNamespace();
  if (!mapped) {
    const int other = open(path.c_str(), O_RDONLY);
    ASSERT_EQ(fchown(other, 65534, 65534), 0);
    EXPECT_EQ(TakeInChild("x11:5"), SessionLock::Outcome::Unavailable) << "another user's";
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    EXPECT_EQ(TakeInChild("x11:5"), SessionLock::Outcome::Unavailable) << "another user's, held";
    close(other);
  } else {
    const char* foreign = nullptr;
    struct stat status{};
    for (const char* candidate : {"/etc/hostname", "/etc/passwd", "/etc/os-release"})
      if (stat(candidate, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid != getuid() && status.st_nlink == 1) {
        foreign = candidate;
        break;
      }
    ASSERT_NE(foreign, nullptr) << "no file of another user's to bind over the path";
    ASSERT_EQ(mount(foreign, path.c_str(), nullptr, MS_BIND, nullptr), 0) << foreign;
    EXPECT_EQ(TakeInChild("x11:5"), SessionLock::Outcome::Unavailable) << "another user's: " << foreign;
    umount2(path.c_str(), MNT_DETACH);
  }
  if (saved != nullptr) setenv("XDG_RUNTIME_DIR", previous.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
  std::filesystem::remove_all(folder);
}

}  // namespace
