// Uninst.dat: the uninstall log, written by the installation and read by the uninstaller.
//
//   UninstallHeader (108 bytes)
//     0   8  Signature     "KVUNINST" (not checked by the reader)
//     8  32  ProductName   ShortString, capacity 31
//    40  64  SettingsKey   ShortString, capacity 63
//   104   4  RecordCount   int32, the records that follow
//   UninstallRecord (268 bytes), RecordCount times
//     0 256  Path          ShortString, capacity 255; folders without a trailing backslash
//   256   8  FileDate      DateTimeValue a file must still have to be deleted
//   264   1  IsFolder      nonzero for a folder
//   265   3  reserved      zeros
//
// The header is first written with RecordCount 0 and rewritten with the real count only once
// every record is in, so a log cut short by a failed installation claims no records.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/setup_data.h"
#include "core/short_string.h"
#include "core/streams.h"

inline constexpr char uninstall_signature[] = "KVUNINST";

struct UninstallHeader {
  static constexpr std::size_t size = 108;
  std::array<std::uint8_t, 8> signature{'K', 'V', 'U', 'N', 'I', 'N', 'S', 'T'};
  ShortString<31> product_name;
  ShortString<63> settings_key;
  std::int32_t record_count = 0;

  std::array<std::uint8_t, size> encode() const;
  static UninstallHeader decode(const std::uint8_t* bytes);
};

struct UninstallRecord {
  static constexpr std::size_t size = 268;
  ShortString<255> path;  // a longer path is cut to its first 255 characters
  double file_date = 0;
  bool is_folder = false;

  std::array<std::uint8_t, size> encode() const;
  static UninstallRecord decode(const std::uint8_t* bytes);
};

// Writes a log from its first byte: the provisional header at once, then records appended one
// by one, then finish() rewrites the header with the number of records written.
class UninstallLogWriter {
 public:
  UninstallLogWriter(OutputStream& out, const SetupHeader& setup);
  void append(const UninstallRecord& record);
  void append(std::string_view path, double file_date, bool is_folder);
  void finish();
  std::int32_t record_count() const { return header_.record_count; }

 private:
  void write_log_header();
  OutputStream& out_;
  UninstallHeader header_;
};

// Reads the header, then records on demand. Reading past RecordCount is the caller's choice:
// the uninstaller stops at RecordCount, the tool reports what lies beyond it.
class UninstallLogReader {
 public:
  explicit UninstallLogReader(InputStream& in);
  const UninstallHeader& header() const { return header_; }
  UninstallRecord next();  // raises "Stream read error" when the log ends inside a record

 private:
  InputStream& in_;
  UninstallHeader header_;
};
