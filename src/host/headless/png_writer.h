#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGB rows, top row first, as PNG to the file `path`. The file
// is written beside the target and renamed over it once complete (see
// ReplacingFile): on failure whatever was at `path` stays as it was, no file
// is left behind, and `error` says why.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgbTopDown,
              std::string& error);

// The same PNG written to the open stream `stream` names ("-", /dev/fd/N:
// see output_stream.h), after whatever it holds already.
bool WritePngToStream(const std::string& stream, int width, int height, const std::vector<std::uint8_t>& rgbTopDown,
                      std::string& error);

// Reads the current read buffer (the frame just drawn) as RGB rows, top row
// first. The rows are turned over in place: the picture is held once.
std::vector<std::uint8_t> ReadFramePixels(int width, int height);
