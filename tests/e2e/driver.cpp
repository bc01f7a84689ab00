#include "tests/e2e/driver.h"

#include <algorithm>
#include <cstdlib>

#include "core/density.h"
#include "core/setup_data_writer.h"
#include "core/texts.h"

namespace e2e {

std::string from_unix(const char* unix_path) {
  std::string path = std::string("Z:") + unix_path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The built one, or another build of it named by MO_SETUP_EXE (a signed copy, say).
std::string setup_exe() {
  const char* other = std::getenv("MO_SETUP_EXE");
  return from_unix(other && *other ? other : MO_SETUP_EXE);
}
int expected_dpi() {
  const char* dpi = std::getenv("MO_EXPECT_DPI");
  return dpi && *dpi ? std::atoi(dpi) : 96;
}

bool runs_on_wow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

RECT scaled(int left, int top, int width, int height) {
  const density::Rect r = density::scale({left, top, width, height}, expected_dpi());
  return {r.left, r.top, r.left + r.width, r.top + r.height};
}

std::string started_probe_exe() { return from_unix(MO_STARTED_PROBE); }

Workspace::Workspace(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  dir_ = std::string(temp) + "mo-e2e-" + name + "\\";
  wintest::remove_tree(dir_);
  CreateDirectoryA(dir_.substr(0, dir_.size() - 1).c_str(), nullptr);
}

Workspace::~Workspace() { wintest::remove_tree(dir_); }

void Workspace::write(const std::string& name, const std::string& bytes) const {
  wintest::write_file(path(name), bytes);
}

std::string setup_data_bytes(const std::string& product_name) {
  SetupHeader header;
  header.product_name.assign(product_name);
  header.settings_key.assign("Software\\MoSetupTests\\E2E");
  MemoryOutputStream out;
  SetupDataWriter writer(out, header);
  writer.end_list();
  writer.end_list();
  return std::string(out.bytes().begin(), out.bytes().end());
}

Program::Program(const std::string& exe, const std::string& working_dir) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string command = "\"" + exe + "\"";
  if (CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     working_dir.c_str(), &startup, &info)) {
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    id_ = info.dwProcessId;
    WaitForInputIdle(info.hProcess, wintest::patience(5000));
  }
}

Program::~Program() {
  if (running()) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool Program::running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

long Program::wait_exit(DWORD timeout_ms) const {
  if (!process_ || WaitForSingleObject(process_.get(), wintest::patience(timeout_ms)) != WAIT_OBJECT_0)
    return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return static_cast<long>(code);
}

namespace {

struct WindowsOf {
  DWORD process_id;
  std::vector<HWND> found;
};

BOOL CALLBACK collect_window_of(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<WindowsOf*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == s->process_id) s->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK collect_text(HWND child, LPARAM param) {
  reinterpret_cast<std::vector<std::string>*>(param)->push_back(text_of(child));
  return TRUE;
}

struct IdSearch {
  int id;
  HWND found;
};

BOOL CALLBACK find_id(HWND child, LPARAM param) {
  auto* s = reinterpret_cast<IdSearch*>(param);
  if (GetDlgCtrlID(child) != s->id) return TRUE;
  s->found = child;
  return FALSE;
}

}  // namespace

std::vector<HWND> top_windows(DWORD process_id) {
  WindowsOf search{process_id, {}};
  EnumWindows(collect_window_of, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND wait_for_window(DWORD process_id, const std::string& caption, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  do {
    for (HWND window : top_windows(process_id))
      if (IsWindowVisible(window) && text_of(window) == caption) return window;
    Sleep(50);
  } while (GetTickCount() - start < wintest::patience(timeout_ms));
  return nullptr;
}

std::vector<std::string> texts_below(HWND window) {
  std::vector<std::string> texts;
  EnumChildWindows(window, collect_text, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

HWND child_with_id(HWND parent, int id) {
  IdSearch search{id, nullptr};
  EnumChildWindows(parent, find_id, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

RECT rect_in_parent(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void mouse_click(HWND window) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Sleep(300);
}

HWND focus_of(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

void press_key(HWND window, WORD key) {
  HWND focused = focus_of(window);
  HWND target = focused ? focused : window;
  const UINT scan = MapVirtualKeyA(key, 0);
  PostMessageA(target, WM_KEYDOWN, key, 1 | scan << 16);
  PostMessageA(target, WM_KEYUP, key, 1 | scan << 16 | 3u << 30);
}

bool wait_for_text(HWND control, const char* text) {
  const DWORD start = GetTickCount();
  while (text_of(control) != text && GetTickCount() - start < wintest::patience(5000)) Sleep(50);
  return text_of(control) == text;
}

bool to_dest_page(HWND next_button) {
  click(next_button);
  if (!wait_for_text(next_button, texts::button_yes)) return false;
  click(next_button);
  return wait_for_text(next_button, texts::button_next);
}

void press_alt_key(HWND window, WORD key) {
  HWND focused = focus_of(window);
  HWND target = focused ? focused : window;
  const UINT scan = MapVirtualKeyA(key, 0);
  constexpr LPARAM alt_down = 1u << 29;  // the context code: Alt is held
  PostMessageA(target, WM_SYSKEYDOWN, key, 1 | scan << 16 | alt_down);
  PostMessageA(target, WM_SYSKEYUP, key, 1 | scan << 16 | alt_down | 3u << 30);
}

}  // namespace e2e
