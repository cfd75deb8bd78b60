#include "host/win32/mode.h"

const char* ApplicationTitle = nullptr;

std::optional<char> ModeLetter(const char* argument1) {
  if (argument1 == nullptr) return std::nullopt;
  const std::string_view text(argument1);
  if (text.size() < 2) return std::nullopt;
  char letter = text[1];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return letter;
}

SaverMode ModeFromLetter(std::optional<char> letter) {
  if (!letter) return SaverMode::FullScreen;
  switch (*letter) {
    case 'C': return SaverMode::Settings;
    case 'A': return SaverMode::Password;
    case 'P': return SaverMode::Preview;
    default: return SaverMode::FullScreen;
  }
}
