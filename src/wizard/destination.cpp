#include "wizard/destination.h"

#include <shlobj.h>

#include "core/destination_rules.h"
#include "core/failure.h"
#include "core/paths.h"
#include "core/texts.h"
#include "win/handles.h"
#include "win/message_dialog.h"
#include "win/registry.h"

std::string program_files_dir() {
  std::string folder = texts::fallback_program_files;
  Registry registry;
  registry.set_root_key(HKEY_LOCAL_MACHINE);
  try {
    if (registry.open_key("\\Software\\Microsoft\\Windows\\CurrentVersion", false)) {
      // A missing, empty or non-text value keeps the fallback: an empty result would turn the
      // proposed destination into a path relative to wherever the program was started.
      std::string value = registry.read_string("ProgramFilesDir");
      if (!value.empty()) folder = std::move(value);
    }
  } catch (const Failure&) {
  }
  return folder;
}

namespace {

bool refuse_folder(const std::string& typed) {
  show_message(format_text(texts::invalid_folder, {typed}), MessageKind::warning, buttons::ok);
  return false;
}

}  // namespace

bool leave_dest_page(const std::string& typed, std::string& dest_dir, bool& created) {
  created = false;
  // Refused before anything is created: a relative text would land beside wherever Setup was
  // started, and a name ending in a blank or period would be created under another name.
  if (!acceptable_destination(typed)) return refuse_folder(typed);

  const std::string folder = folder_to_create(typed);
  created = CreateDirectoryA(folder.c_str(), nullptr);
  if (!created) {
    if (GetLastError() != ERROR_ALREADY_EXISTS) return refuse_folder(typed);
    // The name may belong to a file: that is no folder to install into, whatever the answer.
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return refuse_folder(typed);
    if (show_message(texts::folder_exists, MessageKind::confirmation, buttons::yes_no) !=
        results::yes)
      return false;
  }
  dest_dir = add_backslash(folder);
  return true;
}

std::string browse_for_folder(HWND owner, const std::string& title, const std::string& initial) {
  std::string result = initial;
  // The dialog is built on the shell's folder objects, which want COM on this thread.
  ComApartment apartment;
  ComPtr<IMalloc> allocator;
  if (FAILED(SHGetMalloc(reinterpret_cast<IMalloc**>(allocator.out())))) return result;
  auto* buffer = static_cast<char*>(allocator->Alloc(MAX_PATH));
  if (!buffer) return result;
  ShellAllocation buffer_owner(allocator.get(), buffer);

  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the whole namespace, from the desktop down
  info.pszDisplayName = buffer;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  info.lpfn = browse_callback;
  info.lParam = reinterpret_cast<LPARAM>(initial.c_str());

  if (LPITEMIDLIST chosen = SHBrowseForFolderA(&info)) {
    ShellAllocation chosen_owner(allocator.get(), chosen);
    if (SHGetPathFromIDListA(chosen, buffer)) result = buffer;
  }
  return result;
}

int CALLBACK browse_callback(HWND dialog, UINT message, LPARAM param, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    std::string folder = reinterpret_cast<const char*>(data);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
  } else if (message == BFFM_SELCHANGED) {
    char path[MAX_PATH];
    if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(param), path))
      SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
  }
  return 0;
}
