// The frame just drawn, read back from the OpenGL.
#pragma once

#include <cstdint>
#include <vector>

// Reads the current read buffer (the frame just drawn) as 8-bit RGB rows, top
// row first. The rows are turned over in place: the picture is held once.
std::vector<std::uint8_t> ReadFramePixels(int width, int height);
