#include "base/fpu_control.h"

void InstallFpuControlWord() {
#if defined(__i386__) || defined(__x86_64__)
  const std::uint16_t word = SceneFpuControlWord;
  __asm__ volatile("fldcw %0" : : "m"(word));
#endif
}

std::uint16_t ReadFpuControlWord() {
#if defined(__i386__) || defined(__x86_64__)
  std::uint16_t word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
#else
  return SceneFpuControlWord;
#endif
}

bool FpuControlWordInstalled() {
  return (ReadFpuControlWord() & FpuMeaningfulBits) == (SceneFpuControlWord & FpuMeaningfulBits);
}

namespace {
// Runs before every other static constructor of the program (priority 101 is
// the first one open to programs), so no start-up code of ours sees another
// control word. Each host's entry also calls InstallFpuControlWord() as its
// first line, which keeps this object file linked in.
__attribute__((constructor(101))) void InstallAtStartUp() { InstallFpuControlWord(); }
}  // namespace
