#include "core/setup_data_writer.h"

SetupDataWriter::SetupDataWriter(OutputStream& out, const SetupHeader& header) : out_(out) {
  const auto bytes = header.encode();
  out_.write(bytes.data(), bytes.size());
}

void SetupDataWriter::file(std::string_view name, std::string_view bytes) {
  begin_file(name, static_cast<std::int32_t>(bytes.size()));
  contents(bytes.data(), bytes.size());
}

void SetupDataWriter::entry(std::string_view name, std::int32_t size) {
  SetupEntry e;
  e.name.assign(name);
  e.content_size = size;
  const auto bytes = e.encode();
  out_.write(bytes.data(), bytes.size());
}
