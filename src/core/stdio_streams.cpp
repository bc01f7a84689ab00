#include "core/stdio_streams.h"

#include "core/failure.h"
#include "core/texts.h"

namespace {

bool seek_to(std::FILE* f, std::uint64_t position, int whence = SEEK_SET) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<long long>(position), whence) == 0;
#else
  return fseeko(f, static_cast<off_t>(position), whence) == 0;
#endif
}

std::uint64_t tell(std::FILE* f) {
#ifdef _WIN32
  return static_cast<std::uint64_t>(_ftelli64(f));
#else
  return static_cast<std::uint64_t>(ftello(f));
#endif
}

}  // namespace

StdioFile& StdioFile::operator=(StdioFile&& other) noexcept {
  if (this != &other) {
    if (file_) std::fclose(file_);
    file_ = other.file_;
    other.file_ = nullptr;
  }
  return *this;
}

bool StdioFile::close() {
  if (!file_) return true;
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

std::size_t StdioInputStream::read_some(void* buffer, std::size_t count) {
  const std::size_t got = std::fread(buffer, 1, count, file_);
  if (got < count && std::ferror(file_)) throw Failure(texts::stream_read_error);
  position_ += got;
  return got;
}

void StdioInputStream::seek(std::uint64_t position) {
  // A position past the end is allowed: the next read simply finds nothing.
  if (position > static_cast<std::uint64_t>(INT64_MAX) || !seek_to(file_, position))
    throw Failure(texts::stream_read_error);
  position_ = position;
}

void StdioOutputStream::write(const void* buffer, std::size_t count) {
  if (std::fwrite(buffer, 1, count, file_) != count) throw Failure(texts::stream_write_error);
}

void StdioOutputStream::seek(std::uint64_t position) {
  if (!seek_to(file_, position)) throw Failure(texts::stream_write_error);
}

std::uint64_t file_size(std::FILE* file) {
  const std::uint64_t here = tell(file);
  seek_to(file, 0, SEEK_END);
  const std::uint64_t size = tell(file);
  seek_to(file, here);
  return size;
}
