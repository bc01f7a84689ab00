#include "setupdat/staged_folder.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "core/failure.h"
#include "setupdat/file_io.h"
#include "setupdat/messages.h"
#include "setupdat/problems.h"
#include "setupdat/system_files.h"

namespace {

constexpr std::string_view temporary_suffix = ".tmp", earlier_suffix = ".old";

// Whether file is one of name's leftovers: name, a dot, the number of a stage, and the suffix.
bool is_leftover_of(const std::string& file, const std::string& name, std::string_view suffix) {
  if (file.size() <= name.size() + 1 + suffix.size() || file.compare(0, name.size(), name) != 0 ||
      file[name.size()] != '.' || !file.ends_with(suffix))
    return false;
  const std::string_view number(file.data() + name.size() + 1,
                                file.size() - name.size() - 1 - suffix.size());
  return number.size() <= 10 &&  // the decimal digits of a 32-bit token
         std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

StagedFolder::StagedFolder(const fs::path& folder, const fs::path& shown, Move move)
    : folder_(folder), shown_(shown), move_(move ? std::move(move) : Move(system_files::rename)) {
  std::random_device device;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  token_ = std::to_string(device() ^ static_cast<unsigned>(now));
  std::error_code error;
  for (fs::path p = folder_; !p.empty() && !fs::exists(p, error); p = p.parent_path()) {
    created_.insert(created_.begin(), p);
    if (!p.has_relative_path()) break;  // a root, such as a drive that does not exist
  }
  for (const fs::path& made : created_) {
    fs::create_directory(made, error);
    if (error) {
      const std::string reason = cannot("create the folder", shown_, system_reason(error));
      undo();
      throw Failure(reason);
    }
  }
}

StagedFolder::~StagedFolder() {
  if (!committed_) undo();
}

fs::path StagedFolder::stage(const fs::path& name) {
  clear_leftovers(name);
  Staged file;
  file.name = name;
  file.final = folder_ / name;
  file.temporary = file.final;
  file.temporary += "." + token_ + std::string(temporary_suffix);
  file.earlier = file.final;
  file.earlier += "." + token_ + std::string(earlier_suffix);
  files_.push_back(std::move(file));
  return files_.back().temporary;
}

void StagedFolder::clear_leftovers(const fs::path& name) {
  std::error_code error;
  if (!leftovers_) {
    // One look at the folder: the files that end as leftovers do, whatever their name.
    leftovers_.emplace();
    for (fs::directory_iterator it(folder_, error), end; !error && it != end;
         it.increment(error)) {
      const std::string file = utf8_of(it->path().filename());
      if ((file.ends_with(temporary_suffix) || file.ends_with(earlier_suffix)) &&
          it->is_regular_file(error) && !it->is_symlink(error))
        leftovers_->push_back(it->path());
    }
    std::sort(leftovers_->begin(), leftovers_->end());
  }
  const std::string own = utf8_of(name);
  const fs::path final = folder_ / name;
  for (const fs::path& leftover : *leftovers_) {
    const std::string file = utf8_of(leftover.filename());
    if (is_leftover_of(file, own, temporary_suffix)) {
      fs::remove(leftover, error);
    } else if (is_leftover_of(file, own, earlier_suffix)) {
      // An earlier file stepped aside by a commit that never ended: where its name is free, it
      // is the folder's file of that name and comes back; else the commit had replaced it.
      if (fs::exists(fs::symlink_status(final, error))) {
        fs::remove(leftover, error);
      } else {
        move_(leftover, final);  // when even that fails, it stays as it is
      }
    }
  }
}

void StagedFolder::commit() {
  std::error_code error;
  // Every earlier file steps aside before any new one moves in, so that each can come back
  // whatever step fails (on Windows a file open in another program refuses to move).
  for (Staged& file : files_) {
    if (!fs::exists(fs::symlink_status(file.final, error))) continue;
    if (const auto reason = move_(file.final, file.earlier))
      undo_commit(0, cannot("replace", shown_path(file.name), *reason));
    file.earlier_aside = true;
  }
  for (std::size_t placed = 0; placed < files_.size(); ++placed) {
    const Staged& file = files_[placed];
    if (const auto reason = move_(file.temporary, file.final))
      undo_commit(placed, cannot("create", shown_path(file.name), *reason));
  }
  committed_ = true;
  for (const Staged& file : files_) {
    if (file.earlier_aside) fs::remove(file.earlier, error);
  }
}

void StagedFolder::undo_commit(std::size_t placed, const std::string& failure) {
  std::vector<std::string> reasons = {failure};
  std::error_code error;
  // A new file that took the name of an earlier one is replaced by it as it comes back; one
  // that took a free name is removed.
  for (std::size_t i = 0; i < placed; ++i) {
    if (files_[i].earlier_aside) continue;
    if (!fs::remove(files_[i].final, error) && error)
      reasons.push_back(cannot("remove the new", shown_path(files_[i].name),
                               system_reason(error)));
  }
  for (Staged& file : files_) {
    if (!file.earlier_aside) continue;
    if (const auto reason = move_(file.earlier, file.final)) {
      // It stays under its other name: the next stage of this name puts it back.
      reasons.push_back(cannot("put back the earlier", shown_path(file.name), *reason) +
                        "; it is now " + quoted(shown_path(file.earlier.filename())));
    } else {
      file.earlier_aside = false;
    }
  }
  if (reasons.size() == 1) throw Failure(failure);
  throw Stopped(reasons, "not everything was put back: " + quoted(shown_) +
                             " is not as it was (see above)");
}

void StagedFolder::undo() {
  std::error_code ignored;
  for (const Staged& file : files_) fs::remove(file.temporary, ignored);
  for (auto made = created_.rbegin(); made != created_.rend(); ++made) fs::remove(*made, ignored);
}
