// Files through the Windows API: the streams the installation reads Setup.dat and writes
// Uninst.dat with, and file dates read and set the one way the uninstaller compares them.
#pragma once

#include <optional>
#include <string>

#include "core/streams.h"
#include "win/handles.h"

// Opens an existing file for reading, without sharing; raises "Cannot open file %s".
class FileInputStream final : public InputStream {
 public:
  explicit FileInputStream(const std::string& path);
  std::size_t read_some(void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override;
  std::uint64_t position() const override { return position_; }

 private:
  Handle file_;
  std::uint64_t position_ = 0;
};

// Creates (replacing) a file for reading and writing, without sharing; raises
// "Cannot create file %s".
class FileOutputStream final : public OutputStream {
 public:
  explicit FileOutputStream(const std::string& path);
  void write(const void* buffer, std::size_t count) override;
  void seek(std::uint64_t position) override;
  // Sets the file's last-write time on the open handle; the writes that come after it would
  // move it again. Whether it took is not looked at.
  void set_last_write_time(const FILETIME& utc);
  void close() { file_.reset(); }

 private:
  Handle file_;
};

// The last-write time of a file as a local DOS date-time converted to a DateTimeValue. Empty
// when there is no file at path (nothing found, or a folder) or its time has no DOS form.
std::optional<double> read_file_date(const std::string& path);

// The file time a date is set as (local time, through its DOS form, converted to UTC). Empty
// when the date has no DOS form: a file given it keeps the time of its creation.
std::optional<FILETIME> file_time_of(double value);

// Gives an existing file the date as its last-write time (local time). Raises
// "Could not open '%s'" when the file cannot be opened; a date without DOS form is ignored.
void set_file_date(const std::string& path, double value);
