// The installation run: Setup.dat's file tree and the companion files into the destination
// folder, every item logged in Uninst.dat, then shortcuts, settings, the uninstaller's copy and
// its registration.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/setup_data.h"
#include "install/shortcuts.h"

// What the run shows on the Copy page. The wizard implements it over its status label and
// progress bar; tests record it.
class InstallProgress {
 public:
  virtual ~InstallProgress() = default;
  virtual void set_status(const std::string& text) = 0;
  virtual void set_range(std::uint16_t maximum) = 0;  // and the position to 0
  virtual void step() = 0;                            // the position shown plus 1
  virtual void fill() = 0;                            // the position to the maximum
  // Lets the window paint and answer; called only between items, never inside one.
  virtual void process_messages() = 0;
  // Shows everything reported so far at once: a box of the run is about to cover the page,
  // and what lies behind it must be the state the run stopped in.
  virtual void show_now() {}
};

// The wizard's run state: what the run reads, and what it fills in.
struct InstallRun {
  std::string source_dir, dest_dir, setup_data_path;  // folders end in "\"
  ShortcutChoice shortcuts;
  HWND owner = nullptr;  // the window the shell's folder queries are made for
  // Empty: the shell names the Start menu and the desktop. Tests name folders of their own.
  FolderLookup special_folders;
  // The file copied as the uninstaller. Empty: the running program, which is what Setup.exe
  // copies; a benchmark running the installation from a program of its own names Setup.exe.
  std::string uninstaller_source;
  SetupHeader header;  // read again by the counting pass; its values are the ones used
  std::int32_t total_items = 0;
  std::int32_t log_record_count = 0;
};

// Runs the whole installation. A damaged Setup.dat, or a file, folder or companion that cannot
// be made, is a fatal stop and does not return. Other failures (Setup.dat or the log cannot be
// opened, the shortcut step or the registration fails) leave the run as Failure, with both
// files closed and the steps after the failing one not done.
void run_installation(InstallRun& run, InstallProgress& progress);
