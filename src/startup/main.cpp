// Start-up: one executable, two roles, chosen by the name it runs under.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "core/paths.h"
#include "core/texts.h"
#include "uninstall/uninstaller.h"
#include "win/app.h"
#include "wizard/Main.h"

// The library's verbose terminate handler pulls the C++ demangler into the program; an
// installer that reaches terminate has nothing useful to print anyway.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// Only DLLs from the system folder: an installer usually runs from a download folder, where a
// planted DLL of a system name would otherwise be loaded in its place.
void restrict_dll_search() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
}

// The common controls (the progress bar) are loaded by full path from the system folder
// rather than imported: the loader looks for an imported DLL beside the program first unless
// Windows always takes it from the system folder, and comctl32 is not among those.
void init_common_controls() {
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH - 14) return;
  const std::string path = std::string(folder, length) + "\\comctl32.dll";
  HMODULE library = LoadLibraryA(path.c_str());
  if (!library) return;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
  if (!init) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  init(&controls);
}

int run_setup() {
  app::set_title(texts::setup_title);
  TMainForm form;
  MainForm = &form;
  form.create();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) app::dispatch(msg);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  restrict_dll_search();
  init_common_controls();

  char module[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (same_text_ignoring_case(file_name_part(module), texts::uninstaller_name)) {
    app::set_title(texts::uninstall_title);
    run_uninstaller();
    return 0;
  }
  return run_setup();
}
