// Streams over std::FILE, for the tool and the tests (the Windows program uses file handles).
#pragma once

#include <cstdio>
#include <string>

#include "core/streams.h"

class StdioFile {
 public:
  StdioFile() = default;
  StdioFile(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
  ~StdioFile() { if (file_) std::fclose(file_); }
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;
  StdioFile(StdioFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
  StdioFile& operator=(StdioFile&& other) noexcept;
  std::FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Closes now and reports whether everything buffered reached the file.
  bool close();

 private:
  std::FILE* file_ = nullptr;
};

class StdioInputStream final : public InputStream {
 public:
  explicit StdioInputStream(std::FILE* file) : file_(file) {}
  std::size_t read_some(void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override;
  std::uint64_t position() const override { return position_; }

 private:
  std::FILE* file_;
  std::uint64_t position_ = 0;
};

class StdioOutputStream final : public OutputStream {
 public:
  explicit StdioOutputStream(std::FILE* file) : file_(file) {}
  void write(const void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override;

 private:
  std::FILE* file_;
};

// The size of an open file, by seeking to its end; the position is restored.
std::uint64_t file_size(std::FILE* file);
