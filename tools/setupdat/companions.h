// The folder the installer runs from, where the companions a Setup.dat names must lie. Windows
// finds a file there by its name with case ignored (fold_case), and so does the tool.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class CompanionFolder {
 public:
  explicit CompanionFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

  struct Found {
    std::filesystem::path file;
    std::optional<std::string> problem;  // why the companion cannot be copied from here
  };
  // The file of a companion named by its 8-bit name.
  Found find(std::string_view name);

 private:
  void index();

  std::filesystem::path folder_;
  std::map<std::string, std::filesystem::path> files_;  // folded 8-bit name: the file
  std::optional<std::string> unreadable_;
  bool indexed_ = false;
};
