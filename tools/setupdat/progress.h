// The progress line of a long pack or extract: "packed 12000/65000 files, 1.2 GiB", rewritten in
// place at most four times a second, and only on a terminal (the caller decides by giving a
// stream).
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

class Progress {
 public:
  // verb says what is done to the files: "packed", "extracted".
  Progress(std::ostream* out, const char* verb, std::uint64_t files);
  ~Progress();  // ends the line, if one was shown, so whatever follows starts afresh
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void add_bytes(std::uint64_t count);
  void file_done();

 private:
  void update(bool force);

  std::ostream* out_;
  const char* verb_;
  std::uint64_t files_, files_done_ = 0, bytes_done_ = 0;
  std::chrono::steady_clock::time_point last_;
  std::size_t shown_length_ = 0;
};

// "512 bytes", "12.3 KiB", "1.2 GiB".
std::string size_text(std::uint64_t bytes);
