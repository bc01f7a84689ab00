#include "install/installation.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include "core/failure.h"
#include "core/texts.h"
#include "core/uninstall_log.h"
#include "install/settings.h"
#include "win/files.h"
#include "win/message_dialog.h"

namespace {

// File contents go through one buffer of this size, a piece at a time, so a large file never
// has to fit in memory.
constexpr std::size_t copy_piece = 61440;

// A copy takes its source's attributes: copied from a CD or a read-only share it would be
// read-only, and neither the uninstaller nor the next installation could delete or replace it.
void clear_read_only(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Makes what a walk of Setup.dat meets: folders, files with their contents and date, companion
// copies. Each item is logged once it is complete, a folder after everything inside it, so the
// uninstaller, working through the log in order, finds every folder already emptied.
class Extractor final : public SetupVisitor {
 public:
  Extractor(InstallRun& run, InstallProgress& progress, UninstallLogWriter& log,
            BufferedOutputStream& log_file)
      : run_(run),
        progress_(progress),
        log_(log),
        log_file_(log_file),
        buffer_(copy_piece),
        file_time_(file_time_of(run.header.file_date)) {}

  // A fatal stop ends the process on the spot: the records made until then go into the log
  // first, as each would have gone without the buffer, and the page behind the warning shows
  // the item that failed.
  void before_stop() {
    try {
      log_file_.flush();
    } catch (const std::exception&) {
    }
    progress_.show_now();
  }

  void folder_entered(const std::string& path, const SetupEntry&) override {
    // A folder left by an earlier installation is used as it is.
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      before_stop();
      fatal_create_folder(path);
    }
  }

  void folder_left(const std::string& path, const SetupEntry&) override {
    log(path, run_.header.file_date, true);
  }

  void file(const std::string& path, const SetupEntry& entry, InputStream& data) override {
    announce(texts::status_decompressing, entry);
    try {
      extract(path, entry.content_size, data);
    } catch (const std::exception&) {
      // Whatever went wrong (no file, contents cut short, a full disk, no date), the user
      // can only act on which file it was.
      before_stop();
      fatal_create_file(path);
    }
    log(path, run_.header.file_date, false);
  }

  void companion(const SetupEntry& entry) override {
    announce(texts::status_copying, entry);
    const std::string source = run_.source_dir + entry.name.str();
    const std::string target = run_.dest_dir + entry.name.str();
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
      before_stop();
      fatal_copy_file(source, target);
    }
    clear_read_only(target);
    // The copy keeps its source's date, which may have no DOS form (before 1980, say). Such a
    // copy is logged with 0, a value no date read back from a file can equal: the uninstaller
    // then leaves it in place, as it does any file whose date is not the logged one.
    log(target, read_file_date(target).value_or(0.0), false);
  }

 private:
  void announce(const char* status, const SetupEntry& entry) {
    progress_.set_status(format_text(status, {entry.name.view()}));
    progress_.step();
    progress_.process_messages();
  }

  void extract(const std::string& path, std::int32_t size, InputStream& data) {
    FileOutputStream out(path);
    for (auto left = static_cast<std::size_t>(size); left > 0;) {
      const std::size_t piece = std::min(left, buffer_.size());
      read_exact(data, buffer_.data(), piece);
      out.write(buffer_.data(), piece);
      left -= piece;
    }
    // Dated through the handle that wrote it, after the last write: opening every file a
    // second time just for its date would cost as much as writing a small one.
    if (file_time_) out.set_last_write_time(*file_time_);
  }

  void log(const std::string& path, double file_date, bool is_folder) {
    log_.append(path, file_date, is_folder);
    run_.log_record_count = log_.record_count();
  }

  InstallRun& run_;
  InstallProgress& progress_;
  UninstallLogWriter& log_;
  BufferedOutputStream& log_file_;
  std::vector<std::uint8_t> buffer_;
  std::optional<FILETIME> file_time_;  // the date every file gets, converted once
};

// Reads the whole structure of Setup.dat before anything is written: a file cut short, or one
// holding a name or size the run must not act on, stops the installation with nothing made.
void count(InstallRun& run, InputStream& data, InstallProgress& progress) {
  try {
    run.total_items = static_cast<std::int32_t>(count_items(data, run.header));
  } catch (const std::exception&) {
    progress.show_now();
    fatal_data_read();
  }
}

// The file tree from the data stream's position into folder, every folder and file made and
// logged. The failures of one item are the extractor's; any other (an entry cut short, a record
// the log refused) is the data's, not any one item's.
void extract_list(InputStream& data, const std::string& folder, Extractor& extractor) {
  try {
    walk_file_tree(data, folder, extractor);
  } catch (const std::exception&) {
    extractor.before_stop();
    fatal_data_read();
  }
}

// The companion list, which follows the file tree in the data stream, copied and logged. The
// records of both lists are in the log file when it returns, so a failure to write one is
// still the data's failure, as it was when every record went out on its own.
void copy_companions(InputStream& data, Extractor& extractor, BufferedOutputStream& log_file) {
  try {
    walk_companions(data, extractor);
    log_file.flush();
  } catch (const std::exception&) {
    extractor.before_stop();
    fatal_data_read();
  }
}

void make_shortcuts(InstallRun& run, UninstallLogWriter& log) {
  // Counted also when a record fails part-way, so the run state tells what the log holds.
  struct Recount {
    InstallRun& run;
    UninstallLogWriter& log;
    ~Recount() { run.log_record_count = log.record_count(); }
  } recount{run, log};
  if (run.special_folders)
    create_shortcuts_using(run.shortcuts, run.dest_dir, log, run.special_folders);
  else
    create_shortcuts(run.shortcuts, run.dest_dir, log, run.owner);
}

// The uninstaller is this very program under another name. Its copy is not checked: without
// it the installed application still works, and only its removal would need doing by hand.
void copy_uninstaller(const InstallRun& run) {
  const std::string target = run.dest_dir + texts::uninstaller_name;
  std::string source = run.uninstaller_source;
  if (source.empty()) {
    char own[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
    // A path cut short by the buffer could name some other file: copy nothing rather than that.
    if (length == 0 || length >= MAX_PATH) return;
    source.assign(own, length);
  }
  if (CopyFileA(source.c_str(), target.c_str(), FALSE)) clear_read_only(target);
}

}  // namespace

void run_installation(InstallRun& run, InstallProgress& progress) {
  FileInputStream data_file(run.setup_data_path);  // held, unshared, until the run ends
  BufferedInputStream data(data_file);  // a file's contents bypass the buffer
  progress.set_status(texts::status_preparing);
  progress.process_messages();

  count(run, data, progress);
  progress.set_range(static_cast<std::uint16_t>(run.total_items));
  progress.process_messages();

  FileOutputStream log_handle(run.dest_dir + texts::uninstall_log_name);
  BufferedOutputStream log_file(log_handle);
  run.log_record_count = 0;
  // Claims no records until finish(): a run that stops early leaves a log that removes nothing.
  UninstallLogWriter log(log_file, run.header);
  log_file.flush();  // the log exists with its header before anything is extracted

  data.seek(SetupHeader::size);
  Extractor extractor(run, progress, log, log_file);
  extract_list(data, run.dest_dir, extractor);
  copy_companions(data, extractor, log_file);

  progress.set_status(texts::status_shortcuts);
  progress.fill();
  progress.process_messages();
  make_shortcuts(run, log);

  log.finish();
  log_file.flush();
  log_handle.close();
  write_settings(run.dest_dir, run.header);
  copy_uninstaller(run);
  register_uninstaller(run.dest_dir, run.header);
}
