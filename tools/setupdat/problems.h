// The non-conformances a reader finds, in the order found. A damaged file can yield one per
// entry, so only the first texts are kept; the rest are only counted.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/failure.h"

class Problems {
 public:
  static constexpr std::size_t kept = 1000;

  void add(std::string text) {
    if (texts_.size() < kept) texts_.push_back(std::move(text));
    ++total_;
  }
  bool empty() const { return total_ == 0; }
  std::size_t total() const { return total_; }

  // The kept texts, followed by "... and N more" when some were only counted.
  std::vector<std::string> shown() const {
    std::vector<std::string> out = texts_;
    if (total_ > texts_.size())
      out.push_back("... and " + std::to_string(total_ - texts_.size()) + " more");
    return out;
  }

 private:
  std::vector<std::string> texts_;
  std::size_t total_ = 0;
};

// Why a command stopped, each reason naming the offending item, and what became of its output:
// the last line the user reads.
class Stopped : public Failure {
 public:
  Stopped(std::vector<std::string> reasons, std::string outcome)
      : Failure(joined(reasons)), reasons_(std::move(reasons)), outcome_(std::move(outcome)) {}
  const std::vector<std::string>& reasons() const { return reasons_; }
  const std::string& outcome() const { return outcome_; }

 private:
  static std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
  }

  std::vector<std::string> reasons_;
  std::string outcome_;
};

// A refusal comes before anything is written.
class Refused : public Stopped {
 public:
  explicit Refused(const Problems& reasons) : Stopped(reasons.shown(), nothing_written) {}
  explicit Refused(std::string reason) : Stopped({std::move(reason)}, nothing_written) {}

  static constexpr char nothing_written[] = "nothing was written";
};
