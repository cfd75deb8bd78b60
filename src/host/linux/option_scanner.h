// One reading of a command line for the Linux programs: "-name" and "--name"
// are the same option, and an option's value follows either as "--name=value"
// or as the next argument, as in the X11 world's tools and in getopt_long's.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class OptionScanner {
 public:
  OptionScanner(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

  // Moves to the next argument; false when there is none left.
  bool Next();

  // The argument as written, for messages.
  std::string_view Argument() const { return argument_; }
  // The option's name without its dashes and "=value"; empty for anything
  // that is not an option ("-", "--", "---x", "name").
  std::string_view Name() const { return name_; }

  // The option's value, from "=value" or else the next argument. Without one,
  // says so in `error` and returns nothing.
  std::optional<std::string_view> Value(std::string& error);
  // For an option that takes no value: false, and why in `error`, when one
  // was given with "=".
  bool NoValue(std::string& error) const;

 private:
  int argc_;
  const char* const* argv_;
  int index_ = 0;
  std::string_view argument_;
  std::string_view name_;
  std::optional<std::string_view> inlineValue_;
};

// The message for an argument that is no option the program knows.
std::string UnknownOption(std::string_view argument);

// What a Linux program's command line alone decides, before it does anything
// else: a bad one (not `parsed`) prints the message and a line naming --help
// to standard error, status 2 (two lines, not the whole usage, in the log of
// the daemon that started it); --help prints the usage to standard output,
// --version "PROGRAM VERSION", status 0, or status 1 with a line on
// standard error when that output cannot be written. Nothing when the program is to run.
std::optional<int> EndByCommandLine(const char* program, const char* usage, bool parsed, bool help, bool version,
                                    const std::string& error);
