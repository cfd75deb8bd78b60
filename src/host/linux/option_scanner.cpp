#include "host/linux/option_scanner.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "host/text/escaped_text.h"
#include "quillmoor_version.h"

bool OptionScanner::Next() {
  if (index_ + 1 >= argc_) return false;
  argument_ = argv_[++index_];
  name_ = {};
  inlineValue_.reset();

  std::string_view name;
  if (argument_.size() > 2 && argument_.substr(0, 2) == "--") {
    name = argument_.substr(2);
  } else if (argument_.size() > 1 && argument_[0] == '-' && argument_[1] != '-') {
    name = argument_.substr(1);
  }
  // "---x" and "--=x" name nothing.
  if (name.empty() || name[0] == '-' || name[0] == '=') return true;
  if (const auto equals = name.find('='); equals != std::string_view::npos) {
    inlineValue_ = name.substr(equals + 1);
    name = name.substr(0, equals);
  }
  name_ = name;
  return true;
}

std::optional<std::string_view> OptionScanner::Value(std::string& error) {
  if (inlineValue_) return inlineValue_;
  if (index_ + 1 < argc_) return std::string_view(argv_[++index_]);
  error = "--" + std::string(name_) + " needs a value";
  return std::nullopt;
}

bool OptionScanner::NoValue(std::string& error) const {
  if (!inlineValue_) return true;
  error = "--" + std::string(name_) + " takes no value";
  return false;
}

std::string UnknownOption(std::string_view argument) {
  return "unknown option '" + EscapeControls(argument) + "'";
}

std::optional<int> EndByCommandLine(const char* program, const char* usage, bool parsed, bool help, bool version,
                                    const std::string& error) {
  if (!parsed) {
    std::cerr << program << ": " << error << "\n" << program << ": try '" << program << " --help' for the options\n";
    return 2;
  }
  if (help) std::cout << usage;
  else if (version) std::cout << program << " " QUILLMOOR_VERSION_STRING "\n";
  else return std::nullopt;
  // Text that never reached its reader (a full disk, a closed pipe) is a
  // failure, said on standard error, as a command-line tool does.
  errno = 0;
  std::cout.flush();
  const bool written = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (!written) {
    const int error = errno;
    std::cerr << program << ": cannot write to standard output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << "\n";
    return 1;
  }
  return 0;
}
