#include "win/app.h"

namespace app {
namespace {
std::string g_title;
HWND g_main_window = nullptr;
}  // namespace

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

std::string_view resource(int id, int type) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  return data ? std::string_view(static_cast<const char*>(data), SizeofResource(nullptr, found))
              : std::string_view();
}

void set_title(const std::string& title) { g_title = title; }
const std::string& title() { return g_title; }

HWND main_window() { return g_main_window; }
void set_main_window(HWND window) { g_main_window = window; }

void process_messages(bool paint) {
  const UINT which = paint ? 0 : PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | which)) {
    if (msg.message == WM_QUIT) {
      // Someone asked the loop to end: leave that to the real message loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}

void dispatch(MSG& msg) {
  if (g_main_window) {
    if (msg.message == WM_SYSCHAR && SendMessageA(g_main_window, mnemonic_message, msg.wParam, 0))
      return;
    if (IsDialogMessageA(g_main_window, &msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

}  // namespace app
