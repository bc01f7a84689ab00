#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "setupdat/cli.h"
#include "setupdat/codepage.h"
#include "setupdat/file_io.h"

TempDir::TempDir() {
  std::random_device random;
  path_ = fs::temp_directory_path() /
          ("setupdat-test-" + std::to_string(random()) + "-" + std::to_string(random()));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path u8(std::string_view utf8) { return path_from_utf8(utf8); }

void write_file(const fs::path& path, std::string_view contents) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(contents.data(), std::streamsize(contents.size()));
}

std::vector<std::uint8_t> read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  write_file(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(utf8_of(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

Bytes image(const Body& body, double date) {
  SetupHeader header;
  std::copy_n("MOSETUP2", 8, header.signature.begin());
  header.product_name.assign("Marbelo Orbit");
  header.settings_key.assign("Software\\Marbelo\\Orbit 2");
  header.file_date = date;
  MemoryOutputStream out;
  SetupDataWriter writer(out, header);
  body(writer);
  return out.bytes();
}

void standard_body(SetupDataWriter& w) {
  w.file("Readme.txt", "hello");
  w.begin_folder("Data");
  w.file("a.bin", "abc");
  w.end_list();
  w.end_list();
  w.companion("Mo.exe");
  w.end_list();
}

PackOptions standard_options(const fs::path& source, const fs::path& out) {
  PackOptions options;
  options.source_dir = source;
  options.out_dir = out;
  options.product = "Marbelo Orbit";
  options.settings_key = "Software\\Marbelo\\Orbit 2";
  options.date = "2024-01-15 10:30:00";
  return options;
}

ToolRun run_tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = run_setupdat(args, out, err);
  return {code, out.str(), err.str()};
}

bool Json::has(std::string_view key) const {
  for (const auto& member : members) {
    if (member.first == key) return true;
  }
  return false;
}

const Json& Json::operator[](std::string_view key) const {
  for (const auto& member : members) {
    if (member.first == key) return member.second;
  }
  ADD_FAILURE() << "no member " << key;
  static const Json missing;
  return missing;
}

namespace {

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}

  Json document() {
    Json value = read();
    skip_space();
    if (at_ != s_.size()) fail("text after the value");
    return value;
  }

 private:
  [[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error("invalid JSON at offset " + std::to_string(at_) + ": " + what);
  }
  bool is_one_of(std::string_view chars) const {
    return chars.find(s_[at_]) != std::string_view::npos;
  }
  void skip_space() {
    while (at_ < s_.size() && is_one_of(" \t\r\n")) ++at_;
  }
  bool take(char c) {
    skip_space();
    if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail(std::string("expected ") + c);
  }
  bool word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }

  Json read() {
    skip_space();
    if (at_ >= s_.size()) fail("missing value");
    Json v;
    const char c = s_[at_];
    if (c == '{') {
      ++at_;
      v.kind = Json::object;
      if (take('}')) return v;
      do {
        skip_space();
        std::string key = read_string();
        expect(':');
        v.members.emplace_back(std::move(key), read());
      } while (take(','));
      expect('}');
    } else if (c == '[') {
      ++at_;
      v.kind = Json::array;
      if (take(']')) return v;
      do v.items.push_back(read());
      while (take(','));
      expect(']');
    } else if (c == '"') {
      v.kind = Json::string;
      v.text = read_string();
    } else if (word("true")) {
      v.kind = Json::boolean;
      v.flag = true;
    } else if (word("false")) {
      v.kind = Json::boolean;
    } else if (word("null")) {
      v.kind = Json::null;
    } else {
      v.kind = Json::number;
      const std::size_t start = at_;
      while (at_ < s_.size() && is_one_of("+-.eE0123456789")) ++at_;
      v.text = std::string(s_.substr(start, at_ - start));
      char* end = nullptr;
      v.value = std::strtod(v.text.c_str(), &end);
      if (v.text.empty() || *end != '\0' || v.text[0] == '+' || v.text[0] == '.')
        fail("bad number");
    }
    return v;
  }

  unsigned hex4() {
    if (at_ + 4 > s_.size()) fail("short \\u escape");
    const unsigned value = std::stoul(std::string(s_.substr(at_, 4)), nullptr, 16);
    at_ += 4;
    return value;
  }

  std::string read_string() {
    if (at_ >= s_.size() || s_[at_] != '"') fail("expected a string");
    ++at_;
    std::string out;
    for (;;) {
      if (at_ >= s_.size()) fail("unterminated string");
      const auto c = static_cast<unsigned char>(s_[at_]);
      if (c == '"') break;
      if (c < 0x20) fail("raw control character in a string");
      if (c != '\\') {
        std::size_t next = at_;
        if (!decode_utf8(s_, next)) fail("invalid UTF-8");
        out.append(s_.substr(at_, next - at_));
        at_ = next;
        continue;
      }
      ++at_;
      if (at_ >= s_.size()) fail("cut escape");
      const char e = s_[at_++];
      switch (e) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          char32_t code = hex4();
          if (code >= 0xD800 && code < 0xDC00 && word("\\u"))
            code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
          append_utf8(out, code);
          break;
        }
        default: fail("unknown escape");
      }
    }
    ++at_;
    return out;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

}  // namespace

Json parse_json(std::string_view text) { return JsonReader(text).document(); }
