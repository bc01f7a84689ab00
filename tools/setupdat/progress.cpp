#include "setupdat/progress.h"

#include <cstdio>

#include "setupdat/messages.h"

namespace {
// The first line waits as long as the later ones, so small trees go without any.
constexpr auto interval = std::chrono::milliseconds(250);
}  // namespace

std::string size_text(std::uint64_t bytes) {
  if (bytes < 1024) return counted(bytes, "byte");
  static constexpr const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 3) value /= 1024, ++unit;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

Progress::Progress(std::ostream* out, const char* verb, std::uint64_t files)
    : out_(out), verb_(verb), files_(files), last_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
  if (shown_length_ == 0) return;
  update(true);
  *out_ << '\n' << std::flush;
}

void Progress::add_bytes(std::uint64_t count) {
  bytes_done_ += count;
  update(false);
}

void Progress::file_done() {
  ++files_done_;
  update(false);
}

void Progress::update(bool force) {
  if (!out_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - last_ < interval) return;
  last_ = now;
  std::string line = std::string(verb_) + " " + std::to_string(files_done_) + "/" +
                     std::to_string(files_) +
                     " files, " + size_text(bytes_done_);
  const std::size_t length = line.size();
  if (length < shown_length_) line.append(shown_length_ - length, ' ');
  shown_length_ = length;
  *out_ << '\r' << line << std::flush;
}
