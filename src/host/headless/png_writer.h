#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGB rows, top row first. On failure no file is left behind and
// `error` says why.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgbTopDown,
              std::string& error);

// Reads the current read buffer (the frame just drawn) as RGB rows, top row first.
std::vector<std::uint8_t> ReadFramePixels(int width, int height);
