#include "setupdat/json_writer.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "setupdat/codepage.h"
#include "setupdat/display.h"

void JsonWriter::newline() {
  out_ << '\n';
  for (std::size_t i = 0; i < empty_.size(); ++i) out_ << "  ";
}

void JsonWriter::before_value() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (empty_.empty()) return;
  if (!empty_.back()) out_ << ',';
  empty_.back() = false;
  newline();
}

void JsonWriter::open(char bracket) {
  before_value();
  out_ << bracket;
  empty_.push_back(true);
}

void JsonWriter::close(char bracket) {
  const bool was_empty = empty_.back();
  empty_.pop_back();
  if (!was_empty) newline();
  out_ << bracket;
  if (empty_.empty()) out_ << '\n';
}

void JsonWriter::begin_object() { open('{'); }
void JsonWriter::end_object() { close('}'); }
void JsonWriter::begin_array() { open('['); }
void JsonWriter::end_array() { close(']'); }

void JsonWriter::key(std::string_view name) {
  before_value();
  quote(name);
  out_ << ": ";
  after_key_ = true;
}

void JsonWriter::string(std::string_view utf8) {
  before_value();
  quote(utf8);
}

void JsonWriter::quote(std::string_view utf8) {
  std::string text = "\"";
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t start = at;
    const auto c = decode_utf8(utf8, at);
    if (!c) {
      append_utf8(text, U'\uFFFD');
    } else if (*c == '"' || *c == '\\') {
      text += '\\';
      text += static_cast<char>(*c);
    } else if (*c == '\n') {
      text += "\\n";
    } else if (*c == '\t') {
      text += "\\t";
    } else if (*c == '\r') {
      text += "\\r";
    } else if (*c < 0x20 || *c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(*c));
      text += escaped;
    } else {
      text.append(utf8, start, at - start);
    }
  }
  text += '"';
  out_ << text;
}

void JsonWriter::number(std::int64_t value) {
  before_value();
  out_ << value;
}

void JsonWriter::number(std::uint64_t value) {
  before_value();
  out_ << value;
}

void JsonWriter::number(double value) {
  if (!std::isfinite(value)) return null();
  before_value();
  out_ << number_text(value);
}

void JsonWriter::boolean(bool value) {
  before_value();
  out_ << (value ? "true" : "false");
}

void JsonWriter::null() {
  before_value();
  out_ << "null";
}
