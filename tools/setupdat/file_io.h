// Files by std::filesystem path, so that names outside ASCII work on Windows too (wide API
// there, bytes on Linux), and the conversions between paths and the tool's UTF-8 text.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

// An open std::FILE, closed when it goes out of scope.
class OpenFile {
 public:
  OpenFile(const fs::path& path, const char* mode);
  ~OpenFile() {
    if (file_) std::fclose(file_);
  }
  OpenFile(OpenFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  std::FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Closes now; false when buffered bytes could not be written.
  bool close();

 private:
  std::FILE* file_ = nullptr;
};

// Opens a file for reading or throws Failure ("Cannot open file PATH", or that it is a folder).
OpenFile open_for_reading(const fs::path& path);

fs::path path_from_utf8(std::string_view utf8);
// On Linux the bytes of the name as they are, which need not be valid UTF-8.
std::string utf8_of(const fs::path& path);

// A file created under a unique name beside its final one. It is removed when it goes out of
// scope unless commit() renamed it into place first, so a failure leaves nothing half-written.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& final_path);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const fs::path& path() const { return path_; }
  void commit();  // replaces final_path; throws Failure when the rename fails

 private:
  fs::path path_;
  fs::path final_path_;
  bool committed_ = false;
};
