// Setup.dat: the one data file of an installation, read front to back, no offsets or indexes.
//
//   SetupHeader (112 bytes)
//     0   8  Signature     any bytes, never examined
//     8  32  ProductName   ShortString, capacity 31
//    40  64  SettingsKey   ShortString, capacity 63 (a key below HKEY_CURRENT_USER)
//   104   8  FileDate      DateTimeValue given to every extracted file
//   file tree       a list, extracted into the destination folder
//   companion list  a flat list of names of files lying beside the setup program
//   anything after the companion list's terminator is never read
//
//   SetupEntry (36 bytes)
//     0  32  Name   ShortString, capacity 31; length 0 marks the terminator of a list
//    32   4  Size   int32: -1 a folder whose own list follows at once,
//                   0 or more a file whose Size content bytes follow at once
//
// A companion entry has Size 0 and nothing after it. The counting pass skips Size bytes after
// every entry that is not a folder, the companion list included, while the copying pass reads
// the next companion entry at once; the two agree only because a companion's Size is 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/short_string.h"
#include "core/streams.h"

struct SetupHeader {
  static constexpr std::size_t size = 112;
  std::array<std::uint8_t, 8> signature{};
  ShortString<31> product_name;
  ShortString<63> settings_key;
  double file_date = 0;

  std::array<std::uint8_t, size> encode() const;
  static SetupHeader decode(const std::uint8_t* bytes);
};

struct SetupEntry {
  static constexpr std::size_t size = 36;
  static constexpr std::int32_t folder_size = -1;
  ShortString<31> name;
  std::int32_t content_size = 0;

  bool is_terminator() const { return name.empty(); }
  bool is_folder() const { return content_size == folder_size; }

  std::array<std::uint8_t, size> encode() const;
  static SetupEntry decode(const std::uint8_t* bytes);
};

// A conforming file's full paths stay within 255 characters, which leaves room for at most 128
// nested folders; deeper nesting is refused rather than followed down the stack.
inline constexpr int max_folder_depth = 128;

SetupHeader read_setup_header(InputStream& in);

// Reads one entry and refuses those the installer must never act on: a Size below -1 (it would
// move the counting pass backwards), a name that could leave its folder ("\", "/", ":", "." or
// "..") and one under which Windows opens a device (NUL, COM1, ...). The error names the
// entry's offset, for whoever has to mend the file.
SetupEntry read_setup_entry(InputStream& in);

// What a walk of Setup.dat meets, in file order. Paths are the base given to the walk followed
// by the names along the way, folders without a trailing backslash.
class SetupVisitor {
 public:
  virtual ~SetupVisitor() = default;
  virtual void folder_entered(const std::string& /*path*/, const SetupEntry&) {}
  virtual void folder_left(const std::string& /*path*/, const SetupEntry&) {}
  // `data` stands at the file's first content byte. The visitor may read the contents; the walk
  // then moves on to the byte after them, read or not.
  virtual void file(const std::string& /*path*/, const SetupEntry&, InputStream& /*data*/) {}
  virtual void companion(const SetupEntry&) {}
};

// Walks one list of the file tree, recursively, starting at the current position; base is the
// folder path the names are appended to (ending in a backslash, or empty). Leaves the stream
// just after the list's terminator.
void walk_file_tree(InputStream& data, const std::string& base, SetupVisitor& visitor);

// Walks the companion list from the current position; no bytes follow a companion entry.
void walk_companions(InputStream& data, SetupVisitor& visitor);

// The counting pass: reads the header again from offset 0, then counts the files of the tree
// and the entries of the companion list. Folders count nothing themselves.
std::int64_t count_items(InputStream& data, SetupHeader& header);
