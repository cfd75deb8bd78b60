// Rows that need root (mounting a file system, a file of another user's)
// run for an ordinary user too: the test is run again in a child process as
// root of a user and mount namespace of its own (`unshare -r -m`, which maps
// the user to root there and nothing else), and the child's result is the
// test's. Where user namespaces are not allowed the test says it is skipped,
// and why.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

enum class RootRun {
  Here,         // this process is root, or root of its own namespace: run the rows
  InChild,      // the child ran the test; its result is recorded
  Unavailable,  // no way to be root: skip, with RootRunUnavailable's reason
};

inline constexpr const char* RootRunUnavailable =
    "not root, and no user namespace can be made (unshare -r -m failed): these rows need root";

// Whether this process lies in a user namespace other than the first, which
// maps every user id to itself.
inline bool InUserNamespace() {
  std::ifstream map("/proc/self/uid_map");
  long inside = -1, outside = -1, count = -1;
  map >> inside >> outside >> count;
  return !(inside == 0 && outside == 0 && count == 4294967295L);
}

inline RootRun RunAsRoot() {
  if (geteuid() == 0) return RootRun::Here;
  if (std::system("unshare -r -m true >/dev/null 2>&1") != 0) return RootRun::Unavailable;
  char self[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return RootRun::Unavailable;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  // There, Mesa would look for its shader cache in root's home, and say it
  // cannot make it on every program's standard error.
  const std::string command = std::string("MESA_SHADER_CACHE_DISABLE=true unshare -r -m '") + self +
                              "' --gtest_filter='" + test->test_suite_name() + "." + test->name() + "'";
  std::cout << "Run again as root of a user namespace: " << command << std::endl;
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the test failed as root of a user namespace (its output above), status " << status;
  return RootRun::InChild;
}
