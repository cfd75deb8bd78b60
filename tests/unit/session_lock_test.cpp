#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "host/linux/session_lock.h"

namespace {

TEST(SessionLock, OneNamePerXServerWhateverTheScreenOrTheLocalSpelling) {
  EXPECT_EQ(X11Session(":0"), "x11:0");
  EXPECT_EQ(X11Session(":0.1"), "x11:0");
  EXPECT_EQ(X11Session("unix:0.0"), "x11:0");
  EXPECT_EQ(X11Session(":1"), "x11:1");
  // Another host's display (ssh's forwarding, say) is another server.
  EXPECT_EQ(X11Session("localhost:10.0"), "x11-localhost:10");
  EXPECT_EQ(WaylandSession(nullptr), "wayland-0");
  EXPECT_EQ(WaylandSession(""), "wayland-0");
  EXPECT_EQ(WaylandSession("wayland-1"), "wayland-1");
}

TEST(SessionLock, TheFileLiesInTheRuntimeFolderElseInTmpUnderTheUsersId) {
  EXPECT_EQ(SessionLockPath("wayland-1", "/run/user/1000", 1000), "/run/user/1000/quillmoor-saver.wayland-1.lock");
  EXPECT_EQ(SessionLockPath("x11:0", nullptr, 1000), "/tmp/quillmoor-saver-1000.x11:0.lock");
  EXPECT_EQ(SessionLockPath("x11:0", "run/user", 7), "/tmp/quillmoor-saver-7.x11:0.lock");
  // A socket given by its full path stays one file name.
  EXPECT_EQ(SessionLockPath("/run/w%1", "/r", 0), "/r/quillmoor-saver.%2Frun%2Fw%251.lock");
}

TEST(SessionLock, ASecondSaverOfTheSessionFindsItHeldUntilTheFirstEnds) {
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

  if (saved != nullptr) setenv("XDG_RUNTIME_DIR", previous.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
  unlink((std::string(folder) + "/quillmoor-saver.wayland-1.lock").c_str());
  unlink((std::string(folder) + "/quillmoor-saver.wayland-2.lock").c_str());
  rmdir(folder);
}

}  // namespace
