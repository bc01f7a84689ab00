// The extract command, pack's inverse: the file tree of a Setup.dat recreated in a folder the way
// the installation recreates it in its destination, names in UTF-8, every file dated with the
// header's file date.
//
// The file is read with the installation's own reader, twice: once to check everything (so a
// damaged or hostile file is refused before anything is written, naming the entry), and once
// to write. What pack writes comes back byte for byte and name for name, and packing the result
// again with the header's values gives the same Setup.dat.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>

struct ExtractOptions {
  std::filesystem::path setup_dat;
  std::filesystem::path out_dir;  // must not exist, or be empty
  bool companions = false;        // also copy the companions lying beside setup_dat
};

struct ExtractResult {
  std::uint64_t files = 0, folders = 0, bytes = 0, companions = 0;
};

// Throws Refused, before writing anything, when the file or the folder will not do; any other
// failure while writing removes what was written and throws Failure. progress, when given (a
// terminal), gets a line updated in place a few times a second.
ExtractResult extract(const ExtractOptions& options, std::ostream* progress = nullptr);

// "extracted 12 files, 3 folders and 1 companion into DIR"
std::string extract_summary(const ExtractOptions& options, const ExtractResult& result);
