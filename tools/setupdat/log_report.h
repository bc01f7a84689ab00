// The log command: an Uninst.dat read one record at a time, whatever its RecordCount claims.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>

#include "core/streams.h"
#include "core/uninstall_log.h"
#include "setupdat/problems.h"

// The events of one read: header (null when the file is too short for one), then each record
// read, then finish; always in this order.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void header(const UninstallHeader* /*header*/) {}
  virtual void record(const UninstallRecord& /*record*/) {}
  virtual void finish() {}
};

// Reads the size bytes of in; returns true when the log has no problem.
bool check_log(InputStream& in, std::uint64_t size, LogSink& sink, Problems& problems);

// Prints the header, the records and the problems, as text or one JSON object; returns the exit
// code: 0 when the log has no problem, 1 otherwise.
int list_log(const std::filesystem::path& file, bool json, std::ostream& out, std::ostream& err);
