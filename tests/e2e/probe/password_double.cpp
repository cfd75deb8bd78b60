// A stand-in for the system's password library, installed as PASSWORD.CPL by
// the end-to-end tests. VerifyScreenSavePwd answers from the environment and
// logs every call.
//
//   QUILLMOOR_PASSWORD_ANSWERS  one character per call, '1' accepts and '0'
//                               refuses; the last one repeats (default "1")
//   QUILLMOOR_PASSWORD_LOG      a file that gets one line per call:
//                               "owner=<the owner window's handle in decimal>
//                               cursor=<the pointer's display count>"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The saver frees the library after every call: the count of calls so far
// is kept in the process's environment, which outlives it.
constexpr const char* CallsVariable = "QUILLMOOR_PASSWORD_CALLS";

std::size_t CallsSoFar() {
  char text[32] = {};
  if (GetEnvironmentVariableA(CallsVariable, text, sizeof text) == 0) return 0;
  return std::strtoul(text, nullptr, 10);
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
  // The display count as it stands: one up and straight back down.
  const int cursor = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);

  const char* answers = std::getenv("QUILLMOOR_PASSWORD_ANSWERS");
  if (answers == nullptr || *answers == '\0') answers = "1";
  const std::size_t count = std::strlen(answers);
  const std::size_t calls = CallsSoFar();
  const char answer = answers[calls < count ? calls : count - 1];
  SetEnvironmentVariableA(CallsVariable, std::to_string(calls + 1).c_str());

  if (const char* log = std::getenv("QUILLMOOR_PASSWORD_LOG")) {
    if (FILE* file = std::fopen(log, "a")) {
      std::fprintf(file, "owner=%llu cursor=%d\n",
                   static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(owner)), cursor);
      std::fclose(file);
    }
  }
  return answer == '1' ? TRUE : FALSE;
}
