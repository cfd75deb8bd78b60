// Writing a file so that nothing is lost when the write fails: the content
// goes to a temporary file beside the target, and only a complete, synced
// file is renamed over it. Whatever was there before stays untouched until
// then, and on failure only the temporary file is removed.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

// The file a write to `path` replaces. An existing target must be a regular
// file (a symbolic link counts as the file it names, which is what gets
// replaced); a new one needs an existing folder. Otherwise returns nothing
// and says why in `error`.
std::optional<std::string> CheckTarget(const std::string& path, std::string& error);

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // an uncommitted file is discarded

  // Checks the target and opens a temporary file in its folder. On failure
  // says why in `error`.
  bool Open(const std::string& path, std::string& error);
  std::FILE* Stream() const { return stream_; }

  // Flushes, syncs and closes the temporary file and renames it over the
  // target. On failure removes it, leaves the target as it was, and says why.
  bool Commit(std::string& error);
  // Closes and removes the temporary file.
  void Discard();

 private:
  std::string path_;    // as given, for messages
  std::string target_;  // the file replaced
  std::string temporary_;
  std::FILE* stream_ = nullptr;
};
