// Helpers shared by the Windows test programs (tests/win and tests/e2e): scratch folders and
// files on the real file system, and windows read from outside, as a user (or a second
// thread standing in for one) sees them. Plain API calls rather than the program's own
// helpers (the handle owner aside), so that a fault there cannot hide itself in the checks.
#pragma once

#include <windows.h>

#include <bit>
#include <cstdint>
#include <string>

#include "win/handles.h"

namespace wintest {

// ---------------------------------------------------------------------------------------------
// Files and folders.

bool exists(const std::string& path);
bool is_file(const std::string& path);
bool is_folder(const std::string& path);

// The whole file, byte for byte; empty when it cannot be read.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// Deletes a folder and everything in it, read-only items included (tests make some on
// purpose, and the next run must start clean). The path may end in a backslash.
void remove_tree(const std::string& path);

// Creates a folder and tells the shell, as Explorer would: Wine's folder browser, opened on a
// folder made a moment before, now and then failed to select it without the notice.
void make_folder(const std::string& path);

// A fresh folder below the temporary folder, made with make_folder and removed with everything
// in it at the end. The name gets the process id and a serial number, so that runs side by
// side, and folders made one after another, never share a name.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }  // without a trailing backslash
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A double's 64 bits: dates must agree bit for bit, which == on doubles does not say.
inline std::uint64_t bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// ---------------------------------------------------------------------------------------------
// Programs started from a test: the probes, which run what ends its own process.

// The running test program's full path.
std::string running_program();
// A path in the running test program's folder, where the build puts the probes and where the
// wizard looks for its Setup.dat.
std::string beside_running_program(const std::string& name);

// Starts a program built beside this one, with arguments as they go on its command line; an
// empty handle when it cannot be started.
Handle start_beside(const std::string& program, const std::string& arguments);

// A wait of ms milliseconds as long as this machine needs it: MO_TIME_SCALE times as long where
// the tests run in an emulated machine, whose programs start and draw many times slower.
DWORD patience(DWORD ms);

// The process's exit code; a process still running after timeout_ms is ended, and 99 is
// returned, so that a hanging program fails its test instead of stalling the run.
DWORD wait_for_exit(HANDLE process, DWORD timeout_ms = 10000);

// ---------------------------------------------------------------------------------------------
// Windows read from outside.

// A window's text through WM_GETTEXT, which also reaches the current text of an edit control
// in another process; empty after two seconds without an answer, so that a hung program fails
// its test rather than stopping the run.
std::string text_of(HWND window);
std::string class_of(HWND window);
// The first descendant of parent, in tree order, whose text is text; null if none.
HWND child_with_text(HWND parent, const std::string& text);

// The first visible dialog ("#32770", message boxes included) of a process, or of one thread
// of it (thread 0: any); null if there is none now.
HWND visible_dialog(DWORD process, DWORD thread = 0);
// The same, waited for; null if none shows up within timeout_ms.
HWND wait_for_dialog(DWORD process, DWORD thread = 0, DWORD timeout_ms = 10000);

}  // namespace wintest
