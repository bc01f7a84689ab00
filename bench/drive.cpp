// bench_drive: the benchmark's steps that a user waits for, timed from outside the program the
// way a person at the screen would see them, under the same Wine as everything it is compared
// with.
//
//   bench_drive wizard SOURCE DEST   starts SOURCE\Setup.exe, clicks through to the Icon page
//                                    (no shortcuts, DEST as the folder, made by the Dest page),
//                                    presses Enter on Install and times until the Ready page
//   bench_drive uninstall DEST       starts DEST\Uninst.exe, times from the Yes to its report,
//                                    then waits for its batch file to take the folder away
//   bench_drive run PROGRAM [ARG]... times a program from its start to its end (NSIS, xcopy)
//
// Each prints one line, "STEP MS ms" and what it saw; the exit code is 0 only when the step did
// all it should (the bar full, the report of complete success, nothing left behind).
//
// Where the clock stops. The wizard: when the Next button reads "&Finish", which the program
// sets as it enters the Ready page right after the run; the Ready page's first paint comes
// after that and is not counted. The uninstaller: when its report is a visible window. Both
// are polled every 2 ms through calls that Wine answers without the busy program's help
// (another process's window text comes from the server, not by WM_GETTEXT), so the program is
// not slowed by being watched, and the clock stops at most 2 ms late. The clock starts just
// before the key or the click is posted: the program is idle in its message loop then.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "bench/measure.h"
#include "core/texts.h"
#include "tests/e2e/driver.h"
#include "wizard/layout.h"

using namespace e2e;

namespace {

// The text as the window server keeps it: no message reaches the program.
std::string server_text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

template <typename Condition>
bool poll(DWORD timeout_ms, DWORD every_ms, Condition condition) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(every_ms))
    if (GetTickCount() - start > timeout_ms) return false;
  return true;
}

// A visible top-level window of the process with this caption, looked for without messages.
HWND visible_window(DWORD process, const char* caption) {
  for (HWND window : top_windows(process))
    if (IsWindowVisible(window) && server_text(window) == caption) return window;
  return nullptr;
}

std::size_t peak_kib(DWORD process_id) {
  Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
  return bench::peak_kib(process.get());
}

int fail(const char* step, const std::string& why) {
  std::printf("%s failed: %s\n", step, why.c_str());
  return 1;
}

// No program of a benchmark product may take longer than this, whatever the machine.
constexpr DWORD step_timeout_ms = 30 * 60 * 1000;

int wizard(const std::string& source, const std::string& dest) {
  Program setup(source + "Setup.exe", source);
  HWND window = wait_for_window(setup.id(), texts::setup_title);
  if (!window) return fail("wizard", "no wizard window");
  auto control = [&](ControlId id) { return child_with_id(window, id); };
  auto caption_is = [&](ControlId id, const char* text) {
    return poll(10000, 20, [&] { return server_text(control(id)) == text; });
  };
  click(control(NextButton));
  if (!caption_is(NextButton, texts::button_yes)) return fail("wizard", "no License page");
  click(control(NextButton));
  if (!caption_is(NextButton, texts::button_next)) return fail("wizard", "no Dest page");
  const std::string folder = dest.substr(0, dest.size() - 1);
  SendMessageA(control(DestFolderInput), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  click(control(NextButton));
  if (!caption_is(NextButton, texts::button_install)) return fail("wizard", "no Icon page");
  SendMessageA(control(IconFolderCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(control(IconShortcutCheck), BM_SETCHECK, BST_UNCHECKED, 0);

  HWND next = control(NextButton);
  const double start = bench::now_ms();
  press_key(window, VK_RETURN);
  if (!poll(step_timeout_ms, 2, [&] { return server_text(next) == texts::button_finish; }))
    return fail("wizard", "no Ready page");
  const double elapsed = bench::now_ms() - start;

  // What the Copy page holds after the run: every item stepped, the bar full.
  HWND bar = control(CopyProgressBar);
  const auto range = SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
  const auto position = SendMessageA(bar, PBM_GETPOS, 0, 0);
  const std::string status = text_of(control(CopyStatusLabel));
  const std::size_t peak = peak_kib(setup.id());
  SendMessageA(control(ReadyReadmeCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(control(ReadyStartCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  click(next);
  if (setup.wait_exit(10000) != 0) return fail("wizard", "did not end after Finish");
  std::printf("wizard %.1f ms %ld items %zu KiB\n", elapsed, static_cast<long>(range), peak);
  if (position != range || status != texts::status_shortcuts)
    return fail("wizard", "the Copy page shows " + std::to_string(position) + " of " +
                              std::to_string(range) + ", \"" + status + "\"");
  return 0;
}

bool folder_exists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int uninstall(const std::string& dest) {
  Program uninstaller(dest + texts::uninstaller_name, dest);
  HWND question = wait_for_window(uninstaller.id(), texts::caption_confirm);
  if (!question) return fail("uninstall", "no question");
  HWND yes = child_with_text(question, texts::button_yes);
  HWND report = nullptr;
  const double start = bench::now_ms();
  click(yes);
  if (!poll(step_timeout_ms, 2, [&] {
        return (report = visible_window(uninstaller.id(), texts::caption_information));
      }))
    return fail("uninstall", "no report");
  const double elapsed = bench::now_ms() - start;
  const std::size_t peak = peak_kib(uninstaller.id());
  std::string text;
  for (HWND child = GetWindow(report, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (class_of(child) == "Static" && !text_of(child).empty()) text = text_of(child);
  click(child_with_text(report, texts::button_ok));
  if (uninstaller.wait_exit(10000) != 0) return fail("uninstall", "did not end after OK");
  // The batch file deletes the executable once the process has ended, then the folder.
  const std::string folder = dest.substr(0, dest.size() - 1);
  const bool gone = poll(120000, 100, [&] { return !folder_exists(folder); });
  std::printf("uninstall %.1f ms %zu KiB\n", elapsed, peak);
  if (text != texts::uninstall_done) return fail("uninstall", "reported \"" + text + "\"");
  if (!gone) return fail("uninstall", "the folder is still there");
  return 0;
}

int run(int argc, char** argv) {
  std::string command = std::string("\"") + argv[2] + "\"";
  for (int i = 3; i < argc; ++i) command += std::string(" ") + argv[i];
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const double start = bench::now_ms();
  if (!CreateProcessA(argv[2], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info))
    return fail("run", std::string("cannot start ") + argv[2]);
  Handle process(info.hProcess);
  CloseHandle(info.hThread);
  if (WaitForSingleObject(process.get(), step_timeout_ms) != WAIT_OBJECT_0)
    return fail("run", "did not end");
  const double elapsed = bench::now_ms() - start;
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  std::printf("run %.1f ms exit %lu\n", elapsed, code);
  return code == 0 ? 0 : 1;
}

std::string folder(const char* path) {
  std::string text = path;
  if (text.empty() || text.back() != '\\') text += '\\';
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string step = argc > 1 ? argv[1] : "";
  if (step == "wizard" && argc == 4) return wizard(folder(argv[2]), folder(argv[3]));
  if (step == "uninstall" && argc == 3) return uninstall(folder(argv[2]));
  if (step == "run" && argc >= 3) return run(argc, argv);
  std::fprintf(stderr,
               "usage: bench_drive wizard SOURCE DEST | uninstall DEST | run PROGRAM [ARG]...\n");
  return 2;
}
