#include "core/uninstall_log.h"

#include <cstring>

#include "core/bytes.h"

std::array<std::uint8_t, UninstallHeader::size> UninstallHeader::encode() const {
  std::array<std::uint8_t, size> out{};
  std::memcpy(out.data(), signature.data(), signature.size());
  product_name.encode(out.data() + 8);
  settings_key.encode(out.data() + 40);
  le::put_i32(out.data() + 104, record_count);
  return out;
}

UninstallHeader UninstallHeader::decode(const std::uint8_t* bytes) {
  UninstallHeader h;
  std::memcpy(h.signature.data(), bytes, h.signature.size());
  h.product_name = ShortString<31>::decode(bytes + 8);
  h.settings_key = ShortString<63>::decode(bytes + 40);
  h.record_count = le::get_i32(bytes + 104);
  return h;
}

std::array<std::uint8_t, UninstallRecord::size> UninstallRecord::encode() const {
  std::array<std::uint8_t, size> out{};
  path.encode(out.data());
  le::put_double(out.data() + 256, file_date);
  out[264] = is_folder ? 1 : 0;
  return out;
}

UninstallRecord UninstallRecord::decode(const std::uint8_t* bytes) {
  UninstallRecord r;
  r.path = ShortString<255>::decode(bytes);
  r.file_date = le::get_double(bytes + 256);
  r.is_folder = bytes[264] != 0;
  return r;
}

UninstallLogWriter::UninstallLogWriter(OutputStream& out, const SetupHeader& setup) : out_(out) {
  header_.product_name = setup.product_name;
  header_.settings_key = setup.settings_key;
  write_log_header();
}

void UninstallLogWriter::write_log_header() {
  const auto bytes = header_.encode();
  out_.seek(0);
  out_.write(bytes.data(), bytes.size());
}

void UninstallLogWriter::append(const UninstallRecord& record) {
  const auto bytes = record.encode();
  out_.write(bytes.data(), bytes.size());  // the position stays at the end between appends
  ++header_.record_count;
}

void UninstallLogWriter::append(std::string_view path, double file_date, bool is_folder) {
  UninstallRecord r;
  r.path.assign(path);
  r.file_date = file_date;
  r.is_folder = is_folder;
  append(r);
}

void UninstallLogWriter::finish() { write_log_header(); }

UninstallLogReader::UninstallLogReader(InputStream& in) : in_(in) {
  std::uint8_t bytes[UninstallHeader::size];
  read_exact(in_, bytes, sizeof bytes);
  header_ = UninstallHeader::decode(bytes);
}

UninstallRecord UninstallLogReader::next() {
  std::uint8_t bytes[UninstallRecord::size];
  read_exact(in_, bytes, sizeof bytes);
  return UninstallRecord::decode(bytes);
}
