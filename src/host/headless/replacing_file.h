// Writing a file so that nothing is lost when the write fails: the content
// goes to a temporary file beside the target, and only a complete, synced
// file is renamed over it. Whatever was there before stays untouched until
// then, and on failure only the temporary file is removed.
//
// The temporary file has no name while it is written where the file system
// allows (O_TMPFILE), and gets one only for the rename, so that a process
// killed outright leaves nothing behind. Elsewhere it is named
// ".NAME.quillmoor-render.XXXXXX" and locked by its writer for as long as it
// lives; RemoveStaleTemporaries removes those that no writer holds any more.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The file a write to `path` replaces. An existing target must be a regular
// file that we may write (a symbolic link counts as the file it names, which
// is what gets replaced), in a folder we may write. Otherwise returns nothing
// and says why in `error`.
std::optional<std::string> CheckTarget(const std::string& path, std::string& error);

// Whether the paths `one` and `other` name the same file: the same file
// (device and inode) where either exists, else the same path once the
// folders are resolved.
bool SameFile(const std::string& one, const std::string& other);

// Removes from `folder` the temporary files of ours that a killed run left
// behind: those of this user that no running writer holds locked.
void RemoveStaleTemporaries(const std::string& folder);

// The folder a file named `path` lies in.
std::string FolderOf(const std::string& path);

// Reads the process's umask, which new files' permissions follow. Reading it
// means setting it for a moment, so this is done once, before any other
// thread starts and may create a file.
void ReadFileCreationMask();

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // an uncommitted file is discarded

  // Checks the target and opens a temporary file in its folder. On failure
  // says why in `error`, and sets *badTarget when the target itself is at
  // fault (it may not be written, or its folder may not) rather than the
  // system (no space, too many open files, an I/O error).
  bool Open(const std::string& path, std::string& error, bool* badTarget = nullptr);
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Target() const { return target_; }  // the file replaced, once checked
  int Descriptor() const { return fd_; }
  // Whether the temporary file takes data: writes a byte and takes it back,
  // so that a full file system or a spent quota is found before the first
  // frame. On failure says why in `error`.
  bool TakesData(std::string& error);
  // Appends; on failure says why in `error`.
  bool Write(const void* data, std::size_t size, std::string& error);

  // Syncs and closes the temporary file and renames it over the target. On
  // failure removes it, leaves the target as it was, and says why.
  bool Commit(std::string& error);
  // Closes and removes the temporary file.
  void Discard();

  // The message for a failure with errno value `cause`.
  std::string Failure(int cause) const;

 private:
  // The two ways to a temporary file in the target's folder.
  bool OpenUnnamed();
  bool OpenNamed();

  std::string path_;    // as given, for messages
  std::string target_;  // the file replaced
  std::string temporary_;  // the temporary file's name; empty while it has none
  int fd_ = -1;
};
