// The byte streams the data-file readers and the log writer work on. The Windows program
// implements them over file handles, the tool and the tests over std::FILE and memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class InputStream {
 public:
  virtual ~InputStream() = default;
  // Reads up to count bytes; fewer only at the end of the data. Raises on a device failure.
  virtual std::size_t read_some(void* buffer, std::size_t count) = 0;
  // Moves the read position; a position past the end is allowed and reads nothing.
  virtual void seek(std::uint64_t position) = 0;
  virtual std::uint64_t position() const = 0;
};

class OutputStream {
 public:
  virtual ~OutputStream() = default;
  // Writes all count bytes or raises "Stream write error".
  virtual void write(const void* buffer, std::size_t count) = 0;
  virtual void seek(std::uint64_t position) = 0;
};

// Reads exactly count bytes or raises "Stream read error".
void read_exact(InputStream& in, void* buffer, std::size_t count);

// The buffer of the data files' streams: their entries and records are a few dozen or hundred
// bytes each, and a system call for each one would cost more than the rest of a small file's
// installation.
inline constexpr std::size_t file_stream_buffer = 65536;

// Reads another stream through a buffer of its own, so that reading a file a few bytes at a time
// (36-byte entries, 268-byte records) costs one system call per buffer, not per read. Reads at
// least as large as the buffer go straight through once it is empty, and leave it empty.
// Seeking within what the buffer holds moves inside it.
class BufferedInputStream final : public InputStream {
 public:
  explicit BufferedInputStream(InputStream& in, std::size_t capacity = file_stream_buffer)
      : in_(in), buffer_(capacity) {}
  std::size_t read_some(void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override;
  std::uint64_t position() const override { return in_.position() - (end_ - next_); }

 private:
  InputStream& in_;
  std::vector<std::uint8_t> buffer_;
  std::size_t next_ = 0, end_ = 0;  // the unread bytes are buffer_[next_, end_)
};

// Writes another stream through a buffer of its own, one system call per buffer instead of
// one per small write. flush() writes what the buffer holds, and seek() flushes first; a
// failing write raises there, or in the write that filled the buffer. Nothing is written
// when the object goes away: whoever ends the writing flushes, and learns of a failure.
class BufferedOutputStream final : public OutputStream {
 public:
  explicit BufferedOutputStream(OutputStream& out, std::size_t capacity = file_stream_buffer)
      : out_(out), buffer_(capacity) {}
  void write(const void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override;
  void flush();

 private:
  OutputStream& out_;
  std::vector<std::uint8_t> buffer_;
  std::size_t used_ = 0;
};

// A stream over bytes in memory, for tests and fuzzing.
class MemoryInputStream final : public InputStream {
 public:
  MemoryInputStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit MemoryInputStream(const std::vector<std::uint8_t>& bytes)
      : MemoryInputStream(bytes.data(), bytes.size()) {}
  std::size_t read_some(void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override { position_ = position; }
  std::uint64_t position() const override { return position_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::uint64_t position_ = 0;
};

class MemoryOutputStream final : public OutputStream {
 public:
  void write(const void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override { position_ = position; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t position_ = 0;
};
