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

// Why a command refused its input, each reason naming the offending item; a refusal comes before
// anything is written.
class Refused : public Failure {
 public:
  explicit Refused(const Problems& reasons) : Refused(reasons.shown()) {}
  explicit Refused(std::string reason) : Refused(std::vector<std::string>{std::move(reason)}) {}
  const std::vector<std::string>& reasons() const { return reasons_; }

 private:
  explicit Refused(std::vector<std::string> reasons)
      : Failure(joined(reasons)), reasons_(std::move(reasons)) {}
  static std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
  }

  std::vector<std::string> reasons_;
};
