// The x87 control word the whole process runs with: all six exceptions masked,
// 64-bit mantissa, round to nearest. A division by zero or an overflow in the
// scene arithmetic (or inside the OpenGL library) then gives an infinity or a
// NaN instead of a fault.
#pragma once

#include <cstdint>

inline constexpr std::uint16_t SceneFpuControlWord = 0x133F;

// Bits that carry meaning: exception masks (0-5), precision (8-9), rounding
// (10-11) and infinity control (12). Bit 6 is reserved and always reads as 1.
inline constexpr std::uint16_t FpuMeaningfulBits = 0x1F3F;

// Only x86 has the x87 unit: elsewhere (WebAssembly) floating point never
// traps and rounds to nearest, the control word's meaning, so installing it
// does nothing and reading it gives the word as installed.
void InstallFpuControlWord();
std::uint16_t ReadFpuControlWord();
bool FpuControlWordInstalled();
