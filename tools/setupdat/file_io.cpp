#include "setupdat/file_io.h"

#include <cerrno>

#include "core/failure.h"
#include "setupdat/messages.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#undef WINVER
#define WINVER 0x0600  // CompareStringOrdinal
#include <windows.h>
#endif

OpenFile::OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
  file_ = _wfopen(path.c_str(), wide_mode.c_str());
#else
  file_ = std::fopen(path.c_str(), mode);
#endif
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
  if (!file) throw Failure(cannot("open", path, system_reason(errno)));
  return file;
}

std::optional<std::string> unreadable(const fs::path& path) {
  if (OpenFile(path, "rb")) return std::nullopt;
  return system_reason(errno);
}

FileWriter::FileWriter(const fs::path& path, const fs::path& shown)
    : file_(path, "wb"), shown_(shown) {
  if (!file_) throw Failure(cannot("create", shown_, system_reason(errno)));
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
  if (!in) throw Failure(cannot("read", source, system_reason(errno)));
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

fs::path real_path(const fs::path& path) {
  std::error_code error;
  // Made absolute first: of a relative path whose first step does not exist yet ("dist"),
  // weakly_canonical would resolve nothing at all.
  const fs::path absolute = fs::absolute(path, error);
  fs::path real = fs::weakly_canonical(absolute, error);
  if (error) real = absolute.lexically_normal();
  if (!real.has_filename() && real.has_relative_path()) real = real.parent_path();  // "a/b/"
  return real;
}

namespace {

bool same_name(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
  // As the file system compares names: by its own upper-case table, for every letter.
  const std::wstring& wa = a.native();
  const std::wstring& wb = b.native();
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
#else
  return a == b;
#endif
}

}  // namespace

bool lies_within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (i == inner.end() || !same_name(*i, *o)) return false;
  }
  return true;
}
