#include "setupdat/file_io.h"

#include <cerrno>

#include "core/failure.h"
#include "setupdat/messages.h"
#include "setupdat/system_files.h"

OpenFile::OpenFile(const fs::path& path, const char* mode) {
  file_ = system_files::open(path, mode, reason_);
}

bool OpenFile::close() {
  if (!file_) return true;
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

OpenFile open_for_reading(const fs::path& path) {
  // A folder opens on some systems and then fails on the first read, and a pipe or a device
  // has no size to check entries against: say what it is instead.
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (fs::is_directory(status)) throw Failure(quoted(path) + " is a folder, not a file");
  if (fs::exists(status) && !fs::is_regular_file(status))
    throw Failure(quoted(path) + " is not a regular file");
  OpenFile file(path, "rb");
  if (!file) throw Failure(cannot("open", path, file.reason()));
  return file;
}

std::optional<std::string> unreadable(const fs::path& path) {
  const OpenFile file(path, "rb");
  if (file) return std::nullopt;
  return file.reason();
}

FileWriter::FileWriter(const fs::path& path, const fs::path& shown)
    : file_(path, "wbx"), shown_(shown) {
  if (!file_) throw Failure(cannot("create", shown_, file_.reason()));
}

void FileWriter::write(const void* buffer, std::size_t count) {
  if (std::fwrite(buffer, 1, count, file_.get()) != count) fail(errno);
}

void FileWriter::seek(std::uint64_t position) {
#ifdef _WIN32
  const bool moved = _fseeki64(file_.get(), static_cast<long long>(position), SEEK_SET) == 0;
#else
  const bool moved = fseeko(file_.get(), static_cast<off_t>(position), SEEK_SET) == 0;
#endif
  if (!moved) fail(errno);
}

void FileWriter::finish() {
  if (!file_.close()) fail(errno);
}

void FileWriter::fail(int errno_value) {
  throw Failure(cannot("write", shown_, system_reason(errno_value)));
}

std::size_t read_piece(const OpenFile& in, const fs::path& path, char* buffer, std::size_t count) {
  const std::size_t got = std::fread(buffer, 1, count, in.get());
  if (got < count && std::ferror(in.get()))
    throw Failure(cannot("read", path, system_reason(errno)));
  return got;
}

void copy_into(const fs::path& source, FileWriter& out, std::vector<char>& buffer) {
  const OpenFile in(source, "rb");
  if (!in) throw Failure(cannot("read", source, in.reason()));
  while (const std::size_t got = read_piece(in, source, buffer.data(), buffer.size())) {
    out.write(buffer.data(), got);
    if (got < buffer.size()) break;
  }
}

fs::path path_from_utf8(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string utf8_of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}
