#include "setupdat/file_io.h"

#include <chrono>
#include <random>

#include "core/failure.h"
#include "core/texts.h"

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
  if (fs::is_directory(status)) throw Failure(utf8_of(path) + " is a folder, not a file");
  if (fs::exists(status) && !fs::is_regular_file(status))
    throw Failure(utf8_of(path) + " is not a regular file");
  OpenFile file(path, "rb");
  if (!file) throw Failure(format_text(texts::cannot_open_file, {utf8_of(path)}));
  return file;
}

fs::path path_from_utf8(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string utf8_of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

TemporaryFile::TemporaryFile(const fs::path& final_path) : final_path_(final_path) {
  // Unique enough that two packs into one folder never share it; nothing else depends on it.
  std::random_device device;
  const auto seed = device() ^ static_cast<unsigned>(
                                   std::chrono::steady_clock::now().time_since_epoch().count());
  path_ = final_path;
  path_ += "." + std::to_string(seed) + ".tmp";
}

TemporaryFile::~TemporaryFile() {
  if (committed_) return;
  std::error_code ignored;
  fs::remove(path_, ignored);
}

void TemporaryFile::commit() {
  std::error_code error;
  fs::rename(path_, final_path_, error);
  if (error)
    throw Failure("cannot rename '" + utf8_of(path_) + "' to '" + utf8_of(final_path_) +
                  "': " + error.message());
  committed_ = true;
}
