// Files that one command puts into one folder, changed all at once or not at all.
//
// Each file is written under a temporary name beside its final one (FINAL.<number>.tmp).
// commit() puts them in place only when every one is complete: the earlier files of those names
// step aside (FINAL.<number>.old), the new ones take their names, and the earlier ones go. Any
// failure before or during that leaves the folder as it was: the temporaries removed, the earlier
// files back under their own names, byte for byte, and the folders the stage created removed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class StagedFolder {
 public:
  // Creates the folder, and its missing parents, when it does not exist; throws Failure.
  explicit StagedFolder(const std::filesystem::path& folder);
  ~StagedFolder();  // undoes everything unless committed
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  // The temporary path to write what becomes folder/name.
  std::filesystem::path stage(const std::filesystem::path& name);
  // Puts every staged file in place; a failure throws Failure naming the final path (never a
  // temporary one), after the folder was put back as it was.
  void commit();

 private:
  struct Staged {
    std::filesystem::path final, temporary, earlier;
    bool earlier_aside = false;
  };
  void undo_commit(std::size_t placed);
  void undo();

  std::filesystem::path folder_;
  std::vector<std::filesystem::path> created_;  // the folders made here, innermost last
  std::vector<Staged> files_;
  std::string token_;  // unique enough that two packs into one folder never share a name
  bool committed_ = false;
};
