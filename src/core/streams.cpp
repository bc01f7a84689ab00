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

std::size_t BufferedInputStream::read_some(void* buffer, std::size_t count) {
  if (next_ == end_) {
    if (count >= buffer_.size()) {
      // Past the buffer: what it held no longer lies just before the stream's position, and a
      // seek back must not find it there.
      next_ = end_ = 0;
      return in_.read_some(buffer, count);
    }
    next_ = 0;
    end_ = in_.read_some(buffer_.data(), buffer_.size());
  }
  const std::size_t n = std::min(count, end_ - next_);
  if (n) std::memcpy(buffer, buffer_.data() + next_, n);
  next_ += n;
  return n;
}

void BufferedInputStream::seek(std::uint64_t position) {
  const std::uint64_t end = in_.position(), start = end - end_;
  if (position >= start && position <= end) {
    next_ = static_cast<std::size_t>(position - start);
    return;
  }
  next_ = end_ = 0;
  in_.seek(position);
}

void BufferedOutputStream::write(const void* buffer, std::size_t count) {
  if (used_ + count > buffer_.size()) {
    flush();
    if (count >= buffer_.size()) {
      out_.write(buffer, count);
      return;
    }
  }
  if (count) std::memcpy(buffer_.data() + used_, buffer, count);
  used_ += count;
}

void BufferedOutputStream::seek(std::uint64_t position) {
  flush();
  out_.seek(position);
}

void BufferedOutputStream::flush() {
  if (used_ == 0) return;
  const std::size_t count = used_;
  used_ = 0;  // a failed write is not tried again by the next flush
  out_.write(buffer_.data(), count);
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
