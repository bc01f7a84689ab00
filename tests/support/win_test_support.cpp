#include "tests/support/win_test_support.h"

#include <shlobj.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace wintest {

namespace {

// Every test program sees windows as Setup.exe does, which declares that it scales itself to
// the screen's density: a program that did not would be shown, and would read the wizard's
// rectangles, at 96 pixels per inch, whatever the screen's.
[[maybe_unused]] const bool dpi_aware = [] {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  const auto set_context = reinterpret_cast<SetContextFn>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext")));
  const HANDLE per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  return (set_context && set_context(per_monitor_v2)) || SetProcessDPIAware();
}();

DWORD attributes_of(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

bool exists(const std::string& path) { return attributes_of(path) != INVALID_FILE_ATTRIBUTES; }

bool is_file(const std::string& path) {
  const DWORD a = attributes_of(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_folder(const std::string& path) {
  const DWORD a = attributes_of(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

void remove_tree(const std::string& path) {
  if (!path.empty() && path.back() == '\\') {
    remove_tree(path.substr(0, path.size() - 1));
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string inner = path + "\\" + name;
      // A read-only item refuses to be deleted.
      SetFileAttributesA(inner.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove_tree(inner);
      else DeleteFileA(inner.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

void make_folder(const std::string& path) {
  CreateDirectoryA(path.c_str(), nullptr);
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA | SHCNF_FLUSH, path.c_str(), nullptr);
}

TempFolder::TempFolder(const std::string& name) {
  static std::atomic<int> serial{0};
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + name + "_" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(++serial);
  remove_tree(path_);  // left over from a run that was killed
  make_folder(path_);
}

TempFolder::~TempFolder() { remove_tree(path_); }

std::string running_program() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string beside_running_program(const std::string& name) {
  const std::string program = running_program();
  return program.substr(0, program.find_last_of('\\') + 1) + name;
}

Handle start_beside(const std::string& program, const std::string& arguments) {
  std::string command = "\"" + beside_running_program(program) + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info))
    return Handle();
  CloseHandle(info.hThread);
  return Handle(info.hProcess);
}

DWORD patience(DWORD ms) {
  static const DWORD scale = [] {
    const char* text = std::getenv("MO_TIME_SCALE");
    const int n = text ? std::atoi(text) : 1;
    return static_cast<DWORD>(n > 1 ? n : 1);
  }();
  return ms * scale;
}

DWORD wait_for_exit(HANDLE process, DWORD timeout_ms) {
  DWORD code = 99;
  if (WaitForSingleObject(process, patience(timeout_ms)) != WAIT_OBJECT_0)
    TerminateProcess(process, code);
  else
    GetExitCodeProcess(process, &code);
  return code;
}

std::string text_of(HWND window) {
  char buffer[4096] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

std::string class_of(HWND window) {
  char buffer[256] = {};
  GetClassNameA(window, buffer, sizeof buffer);
  return buffer;
}

namespace {

struct TextSearch {
  const std::string* text;
  HWND found;
};

BOOL CALLBACK match_text(HWND child, LPARAM address) {
  auto& s = *reinterpret_cast<TextSearch*>(address);
  if (text_of(child) != *s.text) return TRUE;
  s.found = child;
  return FALSE;
}

struct DialogSearch {
  DWORD process, thread;
  HWND found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM address) {
  auto& s = *reinterpret_cast<DialogSearch*>(address);
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &process);
  if (process != s.process || (s.thread && thread != s.thread) || !IsWindowVisible(window) ||
      class_of(window) != "#32770")
    return TRUE;
  s.found = window;
  return FALSE;
}

}  // namespace

HWND child_with_text(HWND parent, const std::string& text) {
  TextSearch search{&text, nullptr};
  EnumChildWindows(parent, match_text, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND visible_dialog(DWORD process, DWORD thread) {
  DialogSearch search{process, thread, nullptr};
  EnumWindows(match_dialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND wait_for_dialog(DWORD process, DWORD thread, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND dialog = visible_dialog(process, thread)) return dialog;
    if (GetTickCount() - start >= patience(timeout_ms)) return nullptr;
    Sleep(10);
  }
}

}  // namespace wintest
