#include "host/headless/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Permissions for a new file: what open() would give with the process's umask.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::optional<std::string> CheckTarget(const std::string& path, std::string& error) {
  std::string target = path;
  struct stat status;
  if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
      error = "will not write \"" + path + "\": it is a symbolic link to nothing that can be written";
      return std::nullopt;
    }
    target = resolved;
  }
  if (stat(target.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) {
      error = "will not write \"" + path + "\": it is " + KindOf(status.st_mode) + ", not a regular file";
      return std::nullopt;
    }
    return target;
  }
  if (errno != ENOENT) {
    error = "cannot write \"" + path + "\": " + std::strerror(errno);
    return std::nullopt;
  }
  const std::string folder = FolderOf(target);
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    error = "cannot write \"" + path + "\": the folder \"" + folder + "\" does not exist";
    return std::nullopt;
  }
  return target;
}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Open(const std::string& path, std::string& error) {
  Discard();
  const std::optional<std::string> target = CheckTarget(path, error);
  if (!target) return false;
  path_ = path;
  target_ = *target;

  // A hidden name in the same folder, so that the rename never crosses a file system.
  std::string name = FolderOf(target_) + "/." + NameOf(target_) + ".XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = "cannot write \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  temporary_ = name;
  struct stat status;
  const mode_t mode = stat(target_.c_str(), &status) == 0 ? (status.st_mode & 07777) : NewFileMode();
  stream_ = fdopen(fd, "wb");
  if (stream_ == nullptr || fchmod(fd, mode) != 0) {
    error = "cannot write \"" + path + "\": " + std::strerror(errno);
    if (stream_ == nullptr) close(fd);
    Discard();
    return false;
  }
  return true;
}

bool ReplacingFile::Commit(std::string& error) {
  if (stream_ == nullptr) {
    error = "cannot write \"" + path_ + "\": it is not open";
    return false;
  }
  errno = 0;
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_) && fsync(fileno(stream_)) == 0;
  int cause = errno;
  if (std::fclose(stream_) != 0 && ok) {
    ok = false;
    cause = errno;
  }
  stream_ = nullptr;
  // The target may have changed since it was checked; a rename would replace
  // a FIFO or a device as readily as a file.
  struct stat status;
  if (ok && lstat(target_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    ok = false;
    cause = EEXIST;
  }
  if (ok && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    ok = false;
    cause = errno;
  }
  if (!ok) {
    error = "cannot write \"" + path_ + "\": " + (cause ? std::strerror(cause) : "the write failed");
    Discard();
    return false;
  }
  temporary_.clear();
  // The rename itself lasts once the folder is synced.
  const int folder = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

void ReplacingFile::Discard() {
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}
