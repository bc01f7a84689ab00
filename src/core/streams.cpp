#include "core/streams.h"

#include <algorithm>
#include <cstring>

#include "core/failure.h"
#include "core/texts.h"

void read_exact(InputStream& in, void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    const std::size_t got = in.read_some(out, count);
    if (got == 0) throw Failure(texts::stream_read_error);
    out += got;
    count -= got;
  }
}

std::size_t MemoryInputStream::read_some(void* buffer, std::size_t count) {
  if (position_ >= size_) return 0;
  const std::size_t n = std::min<std::uint64_t>(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, n);
  position_ += n;
  return n;
}

void MemoryOutputStream::write(const void* buffer, std::size_t count) {
  const std::size_t end = static_cast<std::size_t>(position_) + count;
  if (bytes_.size() < end) bytes_.resize(end);
  if (count) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = end;
}
