#include "core/setup_data.h"

#include <cstring>

#include "core/bytes.h"
#include "core/failure.h"
#include "core/paths.h"

std::array<std::uint8_t, SetupHeader::size> SetupHeader::encode() const {
  std::array<std::uint8_t, size> out{};
  std::memcpy(out.data(), signature.data(), signature.size());
  product_name.encode(out.data() + 8);
  settings_key.encode(out.data() + 40);
  le::put_double(out.data() + 104, file_date);
  return out;
}

SetupHeader SetupHeader::decode(const std::uint8_t* bytes) {
  SetupHeader h;
  std::memcpy(h.signature.data(), bytes, h.signature.size());
  h.product_name = ShortString<31>::decode(bytes + 8);
  h.settings_key = ShortString<63>::decode(bytes + 40);
  h.file_date = le::get_double(bytes + 104);
  return h;
}

std::array<std::uint8_t, SetupEntry::size> SetupEntry::encode() const {
  std::array<std::uint8_t, size> out{};
  name.encode(out.data());
  le::put_i32(out.data() + 32, content_size);
  return out;
}

SetupEntry SetupEntry::decode(const std::uint8_t* bytes) {
  SetupEntry e;
  e.name = ShortString<31>::decode(bytes);
  e.content_size = le::get_i32(bytes + 32);
  return e;
}

SetupHeader read_setup_header(InputStream& in) {
  std::uint8_t bytes[SetupHeader::size];
  read_exact(in, bytes, sizeof bytes);
  return SetupHeader::decode(bytes);
}

SetupEntry read_setup_entry(InputStream& in) {
  const std::uint64_t at = in.position();
  std::uint8_t bytes[SetupEntry::size];
  read_exact(in, bytes, sizeof bytes);
  SetupEntry e = SetupEntry::decode(bytes);
  if (e.is_terminator()) return e;
  // Said only when refused: every entry of a large product passes here.
  auto refuse = [&](const std::string& why) {
    throw DataError("entry at offset " + std::to_string(at) + " ('" + e.name.str() + "'): " + why);
  };
  if (e.content_size < SetupEntry::folder_size)
    refuse("size " + std::to_string(e.content_size) + " is below -1");
  // Windows reads a name up to its first NUL: the checks look at what it will read. Nothing
  // left names the folder itself, as "." does.
  const std::string_view name = up_to_nul(e.name.view());
  if (name.empty() || escapes_folder(name)) refuse("the name could leave its folder");
  // Such a name would have the installer write into a device (a serial port, a printer).
  if (names_device(name)) refuse("the name is a device's");
  return e;
}

namespace {

void walk_list(InputStream& data, const std::string& base, SetupVisitor& visitor, int depth) {
  for (;;) {
    const SetupEntry e = read_setup_entry(data);
    if (e.is_terminator()) return;
    const std::string path = base + e.name.str();
    if (e.is_folder()) {
      if (depth >= max_folder_depth)
        throw DataError("folder '" + path + "' is nested deeper than " +
                        std::to_string(max_folder_depth) + " levels");
      visitor.folder_entered(path, e);
      walk_list(data, path + '\\', visitor, depth + 1);
      visitor.folder_left(path, e);
    } else {
      const std::uint64_t end = data.position() + static_cast<std::uint64_t>(e.content_size);
      visitor.file(path, e, data);
      if (data.position() != end) data.seek(end);
    }
  }
}

// Counting follows the same grammar for both lists: every non-folder entry counts one and has
// its Size skipped, also in the companion list.
std::int64_t count_list(InputStream& data, int depth) {
  std::int64_t count = 0;
  for (;;) {
    const SetupEntry e = read_setup_entry(data);
    if (e.is_terminator()) return count;
    if (e.is_folder()) {
      if (depth >= max_folder_depth)
        throw DataError("folder '" + e.name.str() + "' is nested deeper than " +
                        std::to_string(max_folder_depth) + " levels");
      count += count_list(data, depth + 1);
    } else {
      ++count;
      data.seek(data.position() + static_cast<std::uint64_t>(e.content_size));
    }
  }
}

}  // namespace

void walk_file_tree(InputStream& data, const std::string& base, SetupVisitor& visitor) {
  walk_list(data, base, visitor, 0);
}

void walk_companions(InputStream& data, SetupVisitor& visitor) {
  for (;;) {
    const SetupEntry e = read_setup_entry(data);
    if (e.is_terminator()) return;
    visitor.companion(e);
  }
}

std::int64_t count_items(InputStream& data, SetupHeader& header) {
  data.seek(0);
  header = read_setup_header(data);
  const std::int64_t tree = count_list(data, 0);
  return tree + count_list(data, 0);
}
