#include "setupdat/extract.h"

#include <chrono>
#include <ctime>
#include <unordered_map>
#include <vector>

#include "core/dates.h"
#include "core/failure.h"
#include "core/setup_data.h"
#include "core/stdio_streams.h"
#include "core/texts.h"
#include "setupdat/codepage.h"
#include "setupdat/companions.h"
#include "setupdat/display.h"
#include "setupdat/file_io.h"
#include "setupdat/messages.h"
#include "setupdat/problems.h"
#include "setupdat/progress.h"
#include "setupdat/rules.h"
#include "setupdat/setup_check.h"

namespace {

using std::to_string;

// Contents pass through one buffer of the size the installation copies in.
constexpr std::size_t buffer_size = 61440;

// A damaged file can claim any number of entries in one folder; the names kept to find clashes
// are limited, so that memory stays bounded whatever the file holds.
constexpr std::size_t max_names_held = 1 << 20;

// The name of an entry as a path component here.
fs::path native(const SetupEntry& e) { return path_from_utf8(cp1252_to_utf8(e.name.view())); }

// "entry at offset N ('Folder\name')", in the 8-bit text of the file like the reader's own
// refusals, so that one conversion shows them all.
std::string entry_where(std::uint64_t end_of_entry, const std::string& path) {
  return "entry at offset " + to_string(end_of_entry - SetupEntry::size) + " ('" + path + "')";
}

// The first pass: the installation's walk of the tree and the companion list, which refuses
// what could leave its folder, device names, sizes below -1 and deep nesting, and beyond it
// what a folder here could not hold as the file means it: contents cut short, a name Windows
// would not take or one that does not survive the conversion to UTF-8, and two names one
// folder would take for one.
class Check final : public SetupVisitor {
 public:
  Check(InputStream& in, std::uint64_t size, bool companions)
      : in_(in), size_(size), companions_(companions), open_(1) {}

  void folder_entered(const std::string& path, const SetupEntry& e) override {
    check_name(entry_where(in_.position(), path), e);
    ++result.folders;
    open_.emplace_back();
  }
  void folder_left(const std::string&, const SetupEntry&) override {
    check_short_names(open_.back());
    names_held_ -= open_.back().names.size();
    open_.pop_back();
  }
  void file(const std::string& path, const SetupEntry& e, InputStream& data) override {
    check_name(entry_where(data.position(), path), e);
    const auto content = static_cast<std::uint64_t>(e.content_size);
    const std::uint64_t left = size_ - data.position();
    if (content > left)
      throw DataError(entry_where(data.position(), path) + ": its " + to_string(content) +
                      " content bytes run past the end of the file (" + to_string(left) +
                      " left)");
    ++result.files;
    result.bytes += content;
  }
  void companion(const SetupEntry& e) override {
    if (!companions_) return;
    // The companions land beside the tree's top-level items.
    check_name("companion " + entry_where(in_.position(), e.name.str()), e);
    companion_names.push_back(e.name.str());
  }

  // The top level, with the companions that land beside it, once all are read.
  void finish() { check_short_names(open_.front()); }

  ExtractResult result;
  std::vector<std::string> companion_names;

 private:
  // Per list being read: the names met in it, by their case-folded form, and those of the form
  // of a short name, with where they were met.
  struct OpenList {
    std::unordered_map<std::string, std::string> names;
    std::vector<std::pair<std::string, std::string>> short_names;  // where, name
  };

  void check_short_names(const OpenList& list) {
    if (list.short_names.empty()) return;
    std::vector<std::string_view> names;
    for (const auto& [folded, name] : list.names) names.push_back(name);
    const ShortNameIndex index(names);
    for (const auto& [where, name] : list.short_names) {
      if (const auto other = index.abbreviated_to(name))
        throw DataError(where + ": " + short_name_problem("'" + std::string(names[*other]) + "'"));
    }
  }

  void check_name(const std::string& where, const SetupEntry& e) {
    const std::string name = e.name.str();
    if (const auto problem = windows_name_problem(name)) throw DataError(where + ": " + *problem);
    if (utf8_to_cp1252(cp1252_to_utf8(name)) != name)
      throw DataError(where + ": the name holds a byte that stands for no character in " +
                      "Windows-1252");
    if (++names_held_ > max_names_held)
      throw DataError(where + ": over " + to_string(max_names_held) +
                      " names in the folders open here; no more are kept to find clashes");
    const auto [earlier, fresh] = open_.back().names.emplace(fold_case(name), name);
    if (!fresh)
      throw DataError(where + ": the same name as '" + earlier->second +
                      "' in the same folder, ignoring case");
    if (has_short_name_form(name)) open_.back().short_names.emplace_back(where, name);
  }

  InputStream& in_;
  const std::uint64_t size_;
  const bool companions_;
  std::vector<OpenList> open_;  // outermost first
  std::size_t names_held_ = 0;
};

// As the installation dates a file: the value's DOS date-time, as local time by the rules of
// its own season. A value outside the DOS years converts to 0, and then the file keeps its date.
void date_file(const fs::path& path, DosDateTime dos) {
  if (dos == DosDateTime{}) return;
  std::tm local{};
  local.tm_year = (dos.date >> 9) + 80;
  local.tm_mon = (dos.date >> 5 & 15) - 1;
  local.tm_mday = dos.date & 31;
  local.tm_hour = dos.time >> 11;
  local.tm_min = dos.time >> 5 & 63;
  local.tm_sec = (dos.time & 31) * 2;
  local.tm_isdst = -1;
  const std::time_t time = std::mktime(&local);
  if (time == -1) return;
  std::error_code ignored;
  fs::last_write_time(
      path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(time)),
      ignored);
}

// The second pass: folders and files written, contents streamed through the buffer.
class Writer final : public SetupVisitor {
 public:
  Writer(const fs::path& root, double file_date, Progress& progress)
      : folders_{root}, date_(datetime_to_dos(file_date)), progress_(progress),
        buffer_(buffer_size) {}

  void folder_entered(const std::string&, const SetupEntry& e) override {
    folders_.push_back(folders_.back() / native(e));
    std::error_code error;
    fs::create_directory(folders_.back(), error);
    if (error) throw Failure(cannot("create the folder", folders_.back(), system_reason(error)));
  }
  void folder_left(const std::string&, const SetupEntry&) override { folders_.pop_back(); }
  void file(const std::string&, const SetupEntry& e, InputStream& data) override {
    const fs::path target = folders_.back() / native(e);
    FileWriter out(target, target);
    for (auto left = static_cast<std::uint64_t>(e.content_size); left > 0;) {
      const std::size_t piece = left < buffer_.size() ? left : buffer_.size();
      read_exact(data, buffer_.data(), piece);
      out.write(buffer_.data(), piece);
      left -= piece;
      progress_.add_bytes(piece);
    }
    out.finish();
    date_file(target, date_);
    progress_.file_done();
  }

 private:
  std::vector<fs::path> folders_;  // the folder each open list is written into
  const DosDateTime date_;
  Progress& progress_;
  std::vector<char> buffer_;
};

void check_out_dir(const fs::path& dir) {
  std::error_code error;
  const fs::file_status status = fs::status(dir, error);
  if (!fs::exists(status)) return;
  if (!fs::is_directory(status))
    throw Refused("the output folder " + quoted(dir) + " is a file, not a folder");
  if (!fs::is_empty(dir, error))
    throw Refused("the output folder " + quoted(dir) + " is not empty; extract writes only " +
                  "into an empty or new folder");
}

// The whole first pass; returns what the second will write, or throws Refused.
Check check_file(InputStream& in, std::uint64_t size, bool companions) {
  if (size < SetupHeader::size)
    throw Refused("the file ends inside the header: " + to_string(size) + " of " +
                  to_string(SetupHeader::size) + " bytes");
  Check check(in, size, companions);
  bool cut = false;
  try {
    in.seek(SetupHeader::size);
    walk_file_tree(in, "", check);
    walk_companions(in, check);
    check.finish();
  } catch (const DataError& error) {
    throw Refused(shown(error.text()));
  } catch (const Failure&) {
    // The file ends inside an entry; the counting pass below names it, as a rule.
    cut = true;
  }
  // The installation counts everything before it writes, with its own grammar of the companion
  // list; whatever stops that pass stops it altogether.
  if (const InstallerCount count = count_like_installer(in); count.failure)
    throw Refused("the installer's counting pass fails: " + *count.failure);
  if (cut) throw Refused("the file ends at offset " + to_string(size) + " inside an entry");
  return check;
}

// Removes what a failed extraction wrote: the folder it created, or what it put into the empty
// folder it was given.
void remove_written(const fs::path& dir, bool existed) {
  std::error_code ignored;
  if (!existed) {
    fs::remove_all(dir, ignored);
    return;
  }
  for (fs::directory_iterator it(dir, ignored), end; !ignored && it != end; it.increment(ignored))
    fs::remove_all(it->path(), ignored);
}

// A companion copied as the installation copies it: replacing, and keeping the source's date.
void copy_companion(const fs::path& source, const fs::path& target, std::vector<char>& buffer) {
  FileWriter out(target, target);
  copy_into(source, out, buffer);
  out.finish();
  std::error_code error;
  fs::last_write_time(target, fs::last_write_time(source, error), error);
  if (error) throw Failure(cannot("date", target, system_reason(error)));
}

}  // namespace

ExtractResult extract(const ExtractOptions& options, std::ostream* progress_out) {
  check_out_dir(options.out_dir);
  OpenFile data = [&] {
    try {
      return open_for_reading(options.setup_dat);
    } catch (const Failure& failure) {
      throw Refused(failure.text());
    }
  }();
  StdioInputStream in(data.get());
  const std::uint64_t size = file_size(data.get());
  Check check = check_file(in, size, options.companions);

  std::vector<fs::path> companion_files;
  if (options.companions) {
    const fs::path folder = options.setup_dat.parent_path();
    CompanionFolder beside(folder.empty() ? fs::path(".") : folder);
    Problems missing;
    for (const auto& name : check.companion_names) {
      auto found = beside.find(name);
      if (found.problem) missing.add(std::move(*found.problem));
      companion_files.push_back(std::move(found.file));
    }
    if (!missing.empty()) throw Refused(missing);
  }

  std::error_code error;
  const bool existed = fs::exists(options.out_dir, error);
  try {
    fs::create_directories(options.out_dir, error);
    if (error) throw Failure(cannot("create the folder", options.out_dir, system_reason(error)));
    in.seek(0);
    const SetupHeader header = read_setup_header(in);
    {
      Progress progress(progress_out, "extracted", check.result.files);
      Writer writer(options.out_dir, header.file_date, progress);
      walk_file_tree(in, "", writer);
    }
    std::vector<char> buffer(buffer_size);
    for (std::size_t i = 0; i < companion_files.size(); ++i)
      copy_companion(companion_files[i],
                     options.out_dir / path_from_utf8(cp1252_to_utf8(check.companion_names[i])),
                     buffer);
  } catch (const Failure& failure) {
    remove_written(options.out_dir, existed);
    // The stream's own text names no file: the first pass read the whole file, so the second
    // failing means it changed (or the disk failed) in between.
    const std::string reason =
        failure.text() == texts::stream_read_error
            ? cannot("read", options.setup_dat, "it changed since it was checked, or the disk "
                                                "failed")
            : failure.text();
    throw Stopped({reason}, nothing_changed(options.out_dir));
  } catch (...) {
    remove_written(options.out_dir, existed);
    throw;
  }
  check.result.companions = companion_files.size();
  return check.result;
}

std::string extract_summary(const ExtractOptions& options, const ExtractResult& result) {
  std::string text = "extracted " + counted(result.files, "file") + ", " +
                     counted(result.folders, "folder");
  if (options.companions) text += " and " + counted(result.companions, "companion");
  return text + " into " + utf8_of(options.out_dir);
}
