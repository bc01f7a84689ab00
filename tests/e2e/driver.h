// Drives the real Setup.exe from outside: starts it in a folder of the test's own, finds its
// windows, reads their state and answers them, as a person at the screen would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/setup_data.h"
#include "tests/support/win_test_support.h"
#include "win/handles.h"

namespace e2e {

// A path the build or the test's environment gives, as Wine sees it: the root of the Unix tree
// is drive Z:.
std::string from_unix(const char* unix_path);
// The built Setup.exe, as a Windows path.
std::string setup_exe();

// The screen density the test runs at: what the density test sets for the prefix and tells
// in MO_EXPECT_DPI, else 96.
int expected_dpi();
// Whether the program runs as a 32-bit program on 64-bit Windows (a 64-bit prefix), as the
// test program, built alike, does: the system then shows it the 32-bit view of the registry,
// where the program-files folder is "Program Files (x86)".
bool runs_on_wow64();
// A rectangle of the layout as the wizard shows it at that density.
RECT scaled(int left, int top, int width, int height);
// A program that notes the folder it was started in ("Started.txt" beside itself) and ends.
std::string started_probe_exe();

// A fresh, empty folder below the temporary folder, removed with everything in it at the end.
class Workspace {
 public:
  explicit Workspace(const std::string& name);
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;
  const std::string& dir() const { return dir_; }  // ends in a backslash
  std::string path(const std::string& name) const { return dir_ + name; }
  void write(const std::string& name, const std::string& bytes) const;

 private:
  std::string dir_;
};

// A Setup.dat of just a header and two empty lists.
std::string setup_data_bytes(const std::string& product_name);

// A started program; ended by force at the end of the test if it is still running.
class Program {
 public:
  Program(const std::string& exe, const std::string& working_dir);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  DWORD id() const { return id_; }
  bool running() const;
  // The exit code, or -1 when the program is still running after timeout_ms.
  long wait_exit(DWORD timeout_ms) const;

 private:
  Handle process_;
  DWORD id_ = 0;
};

// The program's top-level windows, hidden ones included.
std::vector<HWND> top_windows(DWORD process_id);
// Waits for a visible top-level window of the program with this caption; null after timeout.
HWND wait_for_window(DWORD process_id, const std::string& caption, DWORD timeout_ms = 10000);

using wintest::child_with_text;
using wintest::class_of;
using wintest::text_of;
// The texts of every descendant window, in tree order.
std::vector<std::string> texts_below(HWND window);
HWND child_with_id(HWND parent, int id);
// A window's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND window);

// Waits up to five seconds for a control to show the text; whether it does.
bool wait_for_text(HWND control, const char* text);

// From the wizard's first page through the License page (Yes) to the Dest page, by clicking its
// Next button; whether the Dest page came.
bool to_dest_page(HWND next_button);

// Clicks a push button the way a mouse click does, through BM_CLICK.
void click(HWND button);

// A click of the mouse's left button, which unlike BM_CLICK also moves the focus.
void mouse_click(HWND window);

// The control that has the keyboard focus in the window's thread.
HWND focus_of(HWND window);

// Presses and releases a key on the control that has the keyboard focus in the window's
// thread, as the keyboard would deliver it.
void press_key(HWND window, WORD key);

// The same with Alt held, as the keyboard delivers Alt+letter: system key messages.
void press_alt_key(HWND window, WORD key);

}  // namespace e2e
