// Files that one command puts into one folder, changed all at once or not at all.
//
// Each file is written under a temporary name beside its final one (FINAL.<number>.tmp), created
// new so that it never replaces anything. commit() puts them in place only when every one is
// complete: the earlier files of those names step aside (FINAL.<number>.old), the new ones take
// their names, and the earlier ones go. Any failure before or during that leaves the folder as it
// was: the temporaries removed, the earlier files back under their own names, byte for byte, and
// the folders the stage created removed.
//
// A command that was killed leaves such files behind. They are the tool's own by their names,
// and the next stage of a file of that name clears them away (see stage()).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class StagedFolder {
 public:
  // How a file gets another name in the folder, replacing any file there: why it failed, or
  // nothing. The system's rename, unless a test makes one step fail.
  using Move = std::function<std::optional<std::string>(const std::filesystem::path& from,
                                                        const std::filesystem::path& to)>;

  // folder is where the files go, resolved once by the caller; shown is how the user wrote it,
  // which every message names. Creates the folder, and its missing parents, when it does not
  // exist; throws Failure.
  StagedFolder(const std::filesystem::path& folder, const std::filesystem::path& shown,
               Move move = {});
  ~StagedFolder();  // undoes everything unless committed
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  const std::filesystem::path& shown() const { return shown_; }
  // The temporary path to write what becomes folder/name. First the leftovers of name that a
  // killed command left go: its temporaries, and its earlier files, each put back under name
  // when name is free, else removed. Nothing else in the folder is touched.
  std::filesystem::path stage(const std::filesystem::path& name);
  // Puts every staged file in place; a failure throws Failure naming the final path (never a
  // temporary one), after the folder was put back as it was. When an earlier file cannot be put
  // back either, it throws Stopped instead, saying which file is where.
  void commit();

 private:
  struct Staged {
    std::filesystem::path name, final, temporary, earlier;
    bool earlier_aside = false;
  };
  void clear_leftovers(const std::filesystem::path& name);
  [[noreturn]] void undo_commit(std::size_t placed, const std::string& failure);
  void undo();
  std::filesystem::path shown_path(const std::filesystem::path& name) const {
    return shown_ / name;
  }

  std::filesystem::path folder_, shown_;
  Move move_;
  std::vector<std::filesystem::path> created_;  // the folders made here, innermost last
  std::vector<Staged> files_;
  std::optional<std::vector<std::filesystem::path>> leftovers_;  // listed at the first stage
  std::string token_;  // unique enough that two commands into one folder never share a name
  bool committed_ = false;
};
