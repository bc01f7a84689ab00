// Reads a Setup.dat front to back as the installer would, handing everything it holds to a sink
// and every way it falls short of a conforming file to a problem list. Names that are unsafe or
// clash are reported and the walk goes on; only what makes the rest unreadable (a file that
// ends early, a Size below -1, folders nested too deep) stops it, with the offset.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/setup_data.h"
#include "core/streams.h"
#include "setupdat/problems.h"
#include "setupdat/rules.h"

// The events of one walk, always in this order, also when the walk stops early: header, the
// tree's events (each folder_begin matched by a folder_end), companions_begin, the companions,
// finish. Names are the 8-bit bytes of the file.
class SetupSink {
 public:
  virtual ~SetupSink() = default;
  // header is null when the file is too short to hold one.
  virtual void header(const SetupHeader* /*header*/, std::int64_t /*total_items*/) {}
  virtual void folder_begin(std::string_view /*name*/) {}
  virtual void folder_end() {}
  virtual void file(std::string_view /*name*/, std::int32_t /*size*/) {}
  virtual void companions_begin() {}
  virtual void companion(std::string_view /*name*/) {}
  // trailing_bytes is empty when the walk stopped before the end of the companion list.
  virtual void finish(std::optional<std::uint64_t> /*trailing_bytes*/) {}
};

// What the installer's counting pass (core count_items) makes of the file: the count, or when
// it fails, how many items it had counted by then and why it failed.
struct InstallerCount {
  std::int64_t items = 0;
  std::optional<std::string> failure;
};
InstallerCount count_like_installer(InputStream& in);

// Examines the size bytes of in; returns true when the file conforms (no problem added).
// Names and paths in the problem texts are UTF-8. Full paths, of the tree's items and of the
// companions, are checked below dest (8-bit, ending in a backslash).
bool check_setup(InputStream& in, std::uint64_t size, SetupSink& sink, Problems& problems,
                 std::string_view dest = rules::default_dest);
