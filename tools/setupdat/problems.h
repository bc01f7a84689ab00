// The non-conformances a reader finds, in the order found. A damaged file can yield one per
// entry, so only the first texts are kept; the rest are only counted.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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
