#include "host/headless/replacing_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>

#include "host/headless/output_stream.h"
#include "host/linux/option_scanner.h"
#include "host/text/escaped_text.h"

namespace {

// What follows a temporary file's target name: the program, then six random
// characters.
constexpr std::string_view Marker = ".quillmoor-render.";
constexpr std::size_t RandomLength = 6;

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

// The umask ReadFileCreationMask read: the strictest until it has.
mode_t creationMask = 0777;

// Permissions for a new file: what open() would give with the process's umask.
mode_t NewFileMode() { return 0666 & ~creationMask; }

// Causes that lie with the target or its folder rather than with the system.
bool IsTargetFault(int cause) {
  return cause == EACCES || cause == EPERM || cause == EROFS || cause == ENOENT || cause == ENOTDIR ||
         cause == EISDIR || cause == ELOOP || cause == ENAMETOOLONG;
}

// How much of the target's name its temporary file's name can hold: the
// temporary name must fit in a file name (NAME_MAX) and, with its folder, in
// a path (PATH_MAX, its terminating zero included). At least one character
// is needed for RemoveStaleTemporaries to know it; 0 when there is no room.
std::size_t TemporaryNameRoom(const std::string& target) {
  const std::size_t fixed = FolderOf(target).size() + 2 + Marker.size() + RandomLength;  // "/." and the tail
  const std::size_t inPath = fixed < PATH_MAX - 1 ? PATH_MAX - 1 - fixed : 0;
  return std::min(inPath, NAME_MAX - 1 - Marker.size() - RandomLength);
}

// A hidden name beside `target` for its temporary file, with the target's
// name (shortened to fit) for the user to recognise.
std::string TemporaryName(const std::string& target) {
  static std::mt19937 random{std::random_device{}()};
  static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = FolderOf(target) + "/." + NameOf(target).substr(0, TemporaryNameRoom(target));
  name += Marker;
  for (std::size_t i = 0; i < RandomLength; ++i) name += letters[random() % (sizeof letters - 1)];
  return name;
}

}  // namespace

void ReadFileCreationMask() {
  creationMask = umask(0);
  umask(creationMask);
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> CheckTarget(const std::string& path, std::string& error) {
  std::string target = path;
  struct stat status;
  if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) {
      error = "will not write " + Quoted(path) + ": it is a symbolic link to nothing that can be written (" +
              std::strerror(errno) + ")";
      return std::nullopt;
    }
    target = resolved;
  }
  int cause = 0;
  if (stat(target.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) {
      error = "will not write " + Quoted(path) + ": it is " + KindOf(status.st_mode) + ", not a regular file";
      return std::nullopt;
    }
    // As cp and the shell's redirection do, a file we may not write is left alone.
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) cause = errno;
  } else if (errno != ENOENT) {
    cause = errno;
  }
  // The temporary file is made in the folder, under a name a little longer
  // than the target's folder.
  if (cause == 0 && TemporaryNameRoom(target) == 0) cause = ENAMETOOLONG;
  if (cause == 0 && faccessat(AT_FDCWD, FolderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0) cause = errno;
  if (cause != 0) {
    error = "cannot write " + Quoted(path) + ": " + std::strerror(cause);
    return std::nullopt;
  }
  return target;
}

bool SameFile(const std::string& one, const std::string& other) {
  struct stat a, b;
  const bool aExists = stat(one.c_str(), &a) == 0, bExists = stat(other.c_str(), &b) == 0;
  if (aExists || bExists) return aExists && bExists && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  std::error_code failed;
  const std::filesystem::path oneWhole = std::filesystem::weakly_canonical(one, failed);
  if (failed) return false;
  const std::filesystem::path otherWhole = std::filesystem::weakly_canonical(other, failed);
  return !failed && oneWhole == otherWhole;
}

void RemoveStaleTemporaries(const std::string& folder) {
  DIR* const dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    const std::size_t tail = Marker.size() + RandomLength;
    if (name.size() <= tail + 1 || name[0] != '.' || name.substr(name.size() - tail, Marker.size()) != Marker)
      continue;
    const int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat status;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0)
      unlinkat(dirfd(dir), entry->d_name, 0);
    close(fd);
  }
  closedir(dir);
}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Open(const std::string& path, std::string& error, bool* badTarget) {
  Discard();
  path_ = path;
  const std::optional<std::string> target = CheckTarget(path, error);
  if (!target) {
    if (badTarget) *badTarget = true;
    return false;
  }
  target_ = *target;
  if (!OpenUnnamed()) OpenNamed();

  struct stat old;
  const bool replacing = stat(target_.c_str(), &old) == 0;
  // The replacement keeps the file's owner where we may give it one (as root)
  // and its permissions.
  if (fd_ >= 0 && replacing && fchown(fd_, old.st_uid, old.st_gid) != 0) {
    // Only root may give a file away: the replacement is then ours.
  }
  if (fd_ < 0 || fchmod(fd_, replacing ? (old.st_mode & 07777) : NewFileMode()) != 0) {
    const int cause = errno;
    error = Failure(cause);
    if (badTarget) *badTarget = IsTargetFault(cause);
    Discard();
    return false;
  }
  return true;
}

// Unnamed where the file system allows it and /proc can name it for the rename.
bool ReplacingFile::OpenUnnamed() {
  if (access("/proc/self/fd", X_OK) != 0) return false;
  fd_ = open(FolderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) Discard();
  return fd_ >= 0;
}

// Named, and locked for as long as it lives; should a clean-up in another run
// have removed it before the lock was taken, another is made. On failure
// errno says why.
bool ReplacingFile::OpenNamed() {
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    const std::string name = TemporaryName(target_);
    fd_ = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    temporary_ = name;
    if (flock(fd_, LOCK_EX) != 0) {
      Discard();
      break;
    }
    struct stat status;
    if (fstat(fd_, &status) != 0 || status.st_nlink == 0) {
      temporary_.clear();  // the name is no longer ours
      Discard();
    }
  }
  return fd_ >= 0;
}

bool ReplacingFile::TakesData(std::string& error) {
  if (pwrite(fd_, "", 1, 0) == 1 && ftruncate(fd_, 0) == 0) return true;
  error = Failure(errno);
  return false;
}

bool ReplacingFile::Write(const void* data, std::size_t size, std::string& error) {
  if (WriteAll(fd_, data, size)) return true;
  error = Failure(errno);
  return false;
}

std::string ReplacingFile::Failure(int cause) const {
  return "cannot write " + Quoted(path_) + ": " + std::strerror(cause);
}

bool ReplacingFile::Commit(std::string& error) {
  int cause = fd_ < 0 ? EBADF : 0;
  if (cause == 0 && fsync(fd_) != 0) cause = errno;
  // An unnamed file gets its name only now, for the rename.
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (int attempt = 0; cause == 0 && temporary_.empty() && attempt < 100; ++attempt) {
    const std::string name = TemporaryName(target_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
      temporary_ = name;
    else if (errno != EEXIST)
      cause = errno;
  }
  // The target may have changed since it was checked; a rename would replace
  // a FIFO or a device as readily as a file.
  struct stat status;
  if (cause == 0 && lstat(target_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) cause = EEXIST;
  if (cause == 0 && std::rename(temporary_.c_str(), target_.c_str()) != 0) cause = errno;
  if (cause != 0 || temporary_.empty()) {
    error = Failure(cause != 0 ? cause : EEXIST);
    Discard();
    return false;
  }
  temporary_.clear();
  Discard();  // closes the file, now the target
  // The rename itself lasts once the folder is synced.
  const int folder = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

void ReplacingFile::Discard() {
  const int saved = errno;
  if (!temporary_.empty()) unlink(temporary_.c_str());  // while still locked
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  temporary_.clear();
  errno = saved;
}
