#include "uninstall/uninstaller.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "core/bytes.h"
#include "core/failure.h"
#include "core/paths.h"
#include "core/texts.h"
#include "core/uninstall_rules.h"
#include "uninstall/registry_cleanup.h"
#include "win/files.h"
#include "win/message_dialog.h"

namespace {

// One record's item; true when it is gone now.
bool remove_item(const UninstallRecord& record) {
  const std::string path = record.path.str();
  if (record.is_folder) return RemoveDirectoryA(path.c_str());  // only an empty one goes
  const auto date = read_file_date(path);
  if (!date) return false;
  // The help system's index files (".gid") are rewritten whenever help opens, so their date
  // says nothing about the user having changed them. Any other file with a different date was
  // changed after the installation and is the user's now.
  if (!same_text_ignoring_case(extension_of(path), ".gid") &&
      !le::same_bits(*date, record.file_date))
    return false;
  return DeleteFileA(path.c_str());
}

std::string executable_path() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {  // a path that fills the buffer may have been cut
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string windows_folder() {
  char folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
}

// The command interpreter reads a batch file in the console's code page (the OEM one), not in
// the ANSI one that paths are in here, so a letter beyond ASCII would name some other file.
// The text goes over into the OEM code page when every character has its own form there;
// otherwise it stays as it is, which is no worse.
std::string in_console_code_page(const std::string& text) {
  const auto size = static_cast<DWORD>(text.size());
  std::string oem(text.size(), '\0'), back(text.size(), '\0');
  if (!CharToOemBuffA(text.c_str(), oem.data(), size) ||
      !OemToCharBuffA(oem.c_str(), back.data(), size) || back != text)
    return text;
  return oem;
}

void write_batch_file(const std::string& path, const std::string& text) {
  const std::string bytes = in_console_code_page(text);
  FileOutputStream batch(path);
  batch.write(bytes.data(), bytes.size());
}

}  // namespace

bool remove_logged_items(UninstallLogReader& log, std::int32_t record_count) {
  std::int32_t removed = 0;
  for (std::int32_t i = 0; i < record_count; ++i) {
    if (remove_item(log.next())) ++removed;
  }
  return removed == record_count;
}

void run_uninstaller() {
  try {
    const std::string exe = executable_path();
    const std::string program_folder(folder_part(exe));
    const std::string log_path = program_folder + texts::uninstall_log_name;
    bool all_removed;
    {
      FileInputStream log_file(log_path);  // closed before the log is deleted, or on a failure
      // Records are 268 bytes: read a buffer at a time, not one system call each.
      BufferedInputStream log_input(log_file);
      UninstallLogReader log(log_input);
      const UninstallHeader& header = log.header();
      if (show_message(format_text(texts::confirm_uninstall, {header.product_name.view()}),
                       MessageKind::confirmation, buttons::yes_no) != results::yes)
        ExitProcess(0);  // nothing removed; the log and the executable stay
      all_removed = remove_logged_items(log, header.record_count);
      remove_product_keys(header.settings_key.view(), header.product_name.view());
    }
    DeleteFileA(log_path.c_str());
    show_message(all_removed ? texts::uninstall_done : texts::uninstall_partly_done,
                 MessageKind::information, buttons::ok);

    const std::string windows = windows_folder();
    const std::string batch = uninstall_batch_path(windows);
    write_batch_file(batch, uninstall_batch_text(exe, folder_to_remove(program_folder), batch));
    // The batch starts in the Windows folder: a process's current folder cannot be removed on
    // Windows, and this process's (which the batch would inherit) may well be the installation
    // folder itself.
    ComApartment apartment;  // the shell may want it to start the document
    ShellExecuteA(nullptr, nullptr, batch.c_str(), nullptr,
                  windows.empty() ? nullptr : windows.c_str(), SW_HIDE);
  } catch (...) {
    show_message(texts::uninstall_log_unreadable, MessageKind::warning, buttons::ok);
  }
}
