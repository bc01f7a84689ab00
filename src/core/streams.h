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
