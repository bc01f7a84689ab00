// A streaming JSON writer: values go out as they are given, so a report of any size needs only
// the nesting it is in. Two-space indentation, one member or element per line.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void begin_object();
  void end_object();
  void begin_array();
  void end_array();
  void key(std::string_view name);

  // UTF-8 text; a byte that is not part of valid UTF-8 is written as U+FFFD, so the output
  // stays valid whatever it is given.
  void string(std::string_view utf8);
  void number(std::int64_t value);
  void number(std::uint64_t value);
  // The shortest text that reads back as the same double; null for NaN and the infinities,
  // which JSON cannot express.
  void number(double value);
  void boolean(bool value);
  void null();

 private:
  void before_value();
  void open(char bracket);
  void close(char bracket);
  void newline();
  void quote(std::string_view utf8);

  std::ostream& out_;
  std::vector<bool> empty_;  // per open object or array: nothing written in it yet
  bool after_key_ = false;
};
