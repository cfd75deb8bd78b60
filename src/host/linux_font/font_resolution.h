// From a face name to a font file, as the Windows font mapper does it for a
// bold face: fontconfig picks the best installed match, falling back to a
// similar face when the named one is not installed.
#pragma once

#include <optional>
#include <string>

struct ResolvedFont {
  std::string File;
  int Index = 0;          // face (and named instance) within the file
  bool Embolden = false;  // the match has no bold of its own: thicken it
};

// The font file of `face` in bold upright. Nothing when fontconfig has no
// outline font to offer at all.
std::optional<ResolvedFont> ResolveBoldFace(const char* face);
