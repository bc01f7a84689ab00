// Helpers of the setupdat tests: temporary folders, files, Setup.dat images, running the tool
// in-process, and reading its JSON back.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/setup_data_writer.h"
#include "setupdat/pack.h"

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const fs::path& rest) const { return path_ / rest; }

 private:
  fs::path path_;
};

// A path from UTF-8 text, for names outside ASCII on either system.
fs::path u8(std::string_view utf8);

void write_file(const fs::path& path, std::string_view contents);
std::vector<std::uint8_t> read_bytes(const fs::path& path);
void write_bytes(const fs::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::string> names_in(const fs::path& folder);  // sorted

using Bytes = std::vector<std::uint8_t>;
using Body = std::function<void(SetupDataWriter&)>;

// A Setup.dat made by the core writer: the standard header, then whatever body writes.
Bytes image(const Body& body, double date = 45306.4375);

// Offsets: Readme.txt 112 (contents 148), Data 153, a.bin 189 (contents 225), Data's terminator
// 228, the tree's terminator 264, Mo.exe 300, the companions' terminator 336, end 372.
void standard_body(SetupDataWriter& w);

// The options every test packs with unless it changes them.
PackOptions standard_options(const fs::path& source, const fs::path& out);

struct ToolRun {
  int code;
  std::string out, err;
};
ToolRun run_tool(const std::vector<std::string>& args);

// Reports are read back with nlohmann-json, which refuses anything that is not valid JSON and
// valid UTF-8, and keeps members in their order.
using Json = nlohmann::ordered_json;
// Throws nlohmann's parse error, with the offset, when text is not one valid JSON document.
inline Json parse_json(std::string_view text) { return Json::parse(text); }
