#include "setupdat/staged_folder.h"

#include <chrono>
#include <random>

#include "core/failure.h"
#include "setupdat/file_io.h"
#include "setupdat/messages.h"

StagedFolder::StagedFolder(const fs::path& folder) : folder_(folder.lexically_normal()) {
  if (!folder_.has_filename() && folder_.has_relative_path()) folder_ = folder_.parent_path();
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
      const std::string reason = cannot("create the folder", made, system_reason(error));
      undo();
      throw Failure(reason);
    }
  }
}

StagedFolder::~StagedFolder() {
  if (!committed_) undo();
}

fs::path StagedFolder::stage(const fs::path& name) {
  Staged file;
  file.final = folder_ / name;
  file.temporary = file.final;
  file.temporary += "." + token_ + ".tmp";
  file.earlier = file.final;
  file.earlier += "." + token_ + ".old";
  files_.push_back(std::move(file));
  return files_.back().temporary;
}

void StagedFolder::commit() {
  std::size_t placed = 0;
  std::error_code error;
  try {
    // Every earlier file steps aside before any new one moves in, so that each can come back
    // whatever step fails (on Windows a file open in another program refuses to move).
    for (Staged& file : files_) {
      if (!fs::exists(fs::symlink_status(file.final, error))) continue;
      fs::rename(file.final, file.earlier, error);
      if (error) throw Failure(cannot("replace", file.final, system_reason(error)));
      file.earlier_aside = true;
    }
    for (; placed < files_.size(); ++placed) {
      fs::rename(files_[placed].temporary, files_[placed].final, error);
      if (error) throw Failure(cannot("create", files_[placed].final, system_reason(error)));
    }
  } catch (const Failure&) {
    undo_commit(placed);
    throw;
  }
  committed_ = true;
  for (const Staged& file : files_) {
    if (file.earlier_aside) fs::remove(file.earlier, error);
  }
}

void StagedFolder::undo_commit(std::size_t placed) {
  std::error_code ignored;
  for (std::size_t i = 0; i < placed; ++i)
    fs::rename(files_[i].final, files_[i].temporary, ignored);
  for (Staged& file : files_) {
    if (file.earlier_aside) fs::rename(file.earlier, file.final, ignored);
    file.earlier_aside = false;
  }
}

void StagedFolder::undo() {
  std::error_code ignored;
  for (const Staged& file : files_) fs::remove(file.temporary, ignored);
  for (auto made = created_.rbegin(); made != created_.rend(); ++made) fs::remove(*made, ignored);
}
