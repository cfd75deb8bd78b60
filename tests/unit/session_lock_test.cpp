#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

#include "escaped_message.h"
#include "host/linux/session_lock.h"

namespace {

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
  // escaped. An alarm ends a test that waits.
  setenv("XDG_RUNTIME_DIR", folder, 1);
  const std::string path = SessionLockPath("x11:5", folder, getuid()), target = std::string(folder) + "/target";
  auto take = [&] {
    alarm(5);
    const SessionLock::Outcome outcome = SessionLock().Take("x11:5", error);
    alarm(0);
    return outcome;
  };
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
  if (getuid() == 0) {  // giving a file away takes root
    ASSERT_EQ(fchown(other, 65534, 65534), 0);
    EXPECT_EQ(take(), SessionLock::Outcome::Unavailable) << "another user's, held";
  }
  close(other);
  // The runtime folder echoed escaped, byte for byte, in the error and in
  // the saver's line.
  setenv("XDG_RUNTIME_DIR", ("/nowhere" + ControlCharacters() + "\x9b").c_str(), 1);
  EXPECT_EQ(take(), SessionLock::Outcome::Unavailable);
  const std::string cause =
      "cannot open the lock file /nowhere" + ControlsEscaped + "\\x9b/quillmoor-saver.x11:5.lock: No such file or directory";
  EXPECT_EQ(error, cause);
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(SessionLock().TakeForSaver("x11:5", "quillmoor"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "quillmoor: " + cause + "; running without it\n");

  if (saved != nullptr) setenv("XDG_RUNTIME_DIR", previous.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
  std::filesystem::remove_all(folder);
}

}  // namespace
