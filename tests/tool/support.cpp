#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "setupdat/cli.h"
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
