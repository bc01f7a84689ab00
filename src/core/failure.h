// Failures carry the fixed text the user is shown; the layers that raise them pick the text.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

class Failure : public std::exception {
 public:
  explicit Failure(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// A data file whose bytes break the rules a reader depends on (as opposed to one that ends
// early, which is a plain read failure). The text says where and what, for the tool's user;
// the installer only cares that it failed.
class DataError : public Failure {
 public:
  using Failure::Failure;
};

// Replaces each "%s" of pattern, in order, by the next argument. Missing arguments leave the
// marker out; surplus arguments are ignored.
std::string format_text(std::string_view pattern, std::initializer_list<std::string_view> args);
