// The pack command: a product folder, the header values and the companions become a conforming
// Setup.dat in an output folder, with the companions copied beside it.
//
// Everything is scanned and checked first (plan_pack); nothing is written unless all of it
// passes, and then Setup.dat is written through a temporary file renamed into place at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "core/failure.h"
#include "core/setup_data.h"
#include "setupdat/problems.h"
#include "setupdat/rules.h"

struct PackOptions {
  std::filesystem::path source_dir;
  std::filesystem::path out_dir;
  std::string product;       // UTF-8, like the three below
  std::string settings_key;
  std::string date;          // "YYYY-MM-DD HH:MM:SS"
  std::string dest = rules::default_dest;
  std::vector<std::filesystem::path> companions;
};

struct PackItem {
  std::string name;  // Windows-1252, as it goes into the file
  std::filesystem::path source;
  bool folder = false;
  std::uint64_t size = 0;
  std::vector<PackItem> children;  // of a folder, in pack order
};

struct PackCompanion {
  std::string name;  // Windows-1252
  std::filesystem::path source;
};

struct PackPlan {
  // The output folder, resolved once as the file system resolves it: checked, then written.
  std::filesystem::path out_dir;
  std::filesystem::path out_shown;  // as the user wrote it, for every message
  SetupHeader header;
  std::vector<PackItem> tree;
  std::vector<PackCompanion> companions;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};

// The order of the entries of one folder: by name with A-Z taken as a-z, then by the bytes
// themselves (Windows-1252, compared unsigned), so the same folder always packs the same way.
bool pack_order(const PackItem& a, const PackItem& b);

// Scans and checks everything; throws Refused listing every reason when anything fails.
PackPlan plan_pack(const PackOptions& options);

// Writes Setup.dat into the plan's output folder and copies the companions beside it. progress,
// when given (a terminal), gets a line updated in place a few times a second.
void write_pack(const PackPlan& plan, std::ostream* progress);

inline void pack(const PackOptions& options, std::ostream* progress = nullptr) {
  write_pack(plan_pack(options), progress);
}
