// Reading the host's switch: the second character of argument 1, upper-cased.
#pragma once

#include <optional>
#include <string_view>

inline constexpr const char* ApplicationTitleText = "Quillmoor Screensaver";

// The process's application title: set at start-up in every mode.
extern const char* ApplicationTitle;

enum class SaverMode {
  Settings,    // C: no settings of its own; ends at once
  Password,    // A: no password dialog of its own; ends at once
  Preview,     // P: draws into the host's preview window
  FullScreen,  // anything else, or no letter
};

// The mode letter of argument 1: its second character, upper-cased (only the
// ASCII letters a to z change). An argument shorter than two characters, or
// none (null), gives no letter.
std::optional<char> ModeLetter(const char* argument1);

SaverMode ModeFromLetter(std::optional<char> letter);
