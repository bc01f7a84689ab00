// Start-up: one executable, two roles, chosen by the name it runs under.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "core/paths.h"
#include "core/texts.h"
#include "startup/app.h"
#include "uninstall/uninstaller.h"
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

int run_setup() {
  app::set_title(texts::setup_title);
  TMainForm form;
  MainForm = &form;
  form.create();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(form.handle(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  restrict_dll_search();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  char module[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (same_text_ignoring_case(file_name_part(module), texts::uninstaller_name)) {
    app::set_title(texts::uninstall_title);
    run_uninstaller();
    return 0;
  }
  return run_setup();
}
