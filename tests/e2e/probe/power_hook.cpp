// power_hook.dll: a message hook that win_probe's "power" command sets on
// the saver's thread (Windows loads it into the saver's process for that).
// When the thread takes the probe's request from its queue, the hook sends
// the window a WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE and a
// POWERBROADCAST_SETTING for the console display's state, exactly as the
// system does when the display turns off, on or dims, then signals the
// probe's event with the window procedure's answer in a named mapping.
#include <windows.h>

#include <cstring>

namespace {

// GUID_CONSOLE_DISPLAY_STATE.
constexpr GUID ConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK DisplayStateHook(int code, WPARAM removal, LPARAM data) {
  static const UINT request = RegisterWindowMessageA("QuillmoorProbeDisplayState");
  auto* message = reinterpret_cast<MSG*>(data);
  if (code == HC_ACTION && removal == PM_REMOVE && message->message == request) {
    // The setting's data is one DWORD, right after its length.
    alignas(POWERBROADCAST_SETTING) unsigned char buffer[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
    auto* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(buffer);
    setting->PowerSetting = ConsoleDisplayState;
    setting->DataLength = sizeof(DWORD);
    const DWORD state = static_cast<DWORD>(message->wParam);
    std::memcpy(setting->Data, &state, sizeof state);
    const LRESULT answer = SendMessageA(message->hwnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                        reinterpret_cast<LPARAM>(setting));
    message->message = WM_NULL;
    if (HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "QuillmoorProbeDisplayStateAnswer")) {
      if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG_PTR))) {
        const LONG_PTR value = answer;
        std::memcpy(view, &value, sizeof value);
        UnmapViewOfFile(view);
      }
      CloseHandle(mapping);
    }
    if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, "QuillmoorProbeDisplayStateDone")) {
      SetEvent(done);
      CloseHandle(done);
    }
  }
  return CallNextHookEx(nullptr, code, removal, data);
}
