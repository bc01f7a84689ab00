// Files by std::filesystem path, so that names outside ASCII work on Windows too (wide API
// there, bytes on Linux), and the conversions between paths and the tool's UTF-8 text.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/streams.h"

namespace fs = std::filesystem;

// An open std::FILE, closed when it goes out of scope.
class OpenFile {
 public:
  // mode "rb" reads; "wbx" creates a new file and fails where one of that name exists.
  OpenFile(const fs::path& path, const char* mode);
  ~OpenFile() {
    if (file_) std::fclose(file_);
  }
  OpenFile(OpenFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  std::FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Why the file could not be opened, in the system's words.
  const std::string& reason() const { return reason_; }
  // Closes now; false when buffered bytes could not be written.
  bool close();

 private:
  std::FILE* file_ = nullptr;
  std::string reason_;
};

// Opens a file for reading or throws Failure: "cannot open 'PATH': REASON", or that it is a
// folder or no regular file.
OpenFile open_for_reading(const fs::path& path);

// Why the file cannot be opened for reading (the system's reason), or empty when it can; the
// file is closed again at once.
std::optional<std::string> unreadable(const fs::path& path);

// A new file written as an output stream; it never replaces a file already there. shown is the
// path the user knows it by, which every failure names ("cannot write 'dist/Setup.dat': No space
// left on device"), also when the bytes go to a temporary file first.
class FileWriter final : public OutputStream {
 public:
  FileWriter(const fs::path& path, const fs::path& shown);
  void write(const void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override;
  // Closes the file; throws when what was buffered could not be written.
  void finish();

 private:
  [[noreturn]] void fail(int errno_value);
  OpenFile file_;
  fs::path shown_;
};

// Reads up to count bytes of in, the file at path; fewer only at its end. Throws Failure with the
// system's reason when reading fails.
std::size_t read_piece(const OpenFile& in, const fs::path& path, char* buffer, std::size_t count);

// Copies the whole file at source into out through buffer (fs::copy_file would tell a full disk
// as an input/output error).
void copy_into(const fs::path& source, FileWriter& out, std::vector<char>& buffer);

fs::path path_from_utf8(std::string_view utf8);
// On Linux the bytes of the name as they are, which need not be valid UTF-8.
std::string utf8_of(const fs::path& path);
