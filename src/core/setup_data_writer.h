// Writes Setup.dat in file order. The caller keeps the grammar: every begin_folder and the
// file tree itself are closed with end_list, the companion list likewise. Contents follow a
// file entry at once, exactly as many bytes as its entry announced.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/setup_data.h"
#include "core/streams.h"

class SetupDataWriter {
 public:
  SetupDataWriter(OutputStream& out, const SetupHeader& header);
  void begin_folder(std::string_view name) { entry(name, SetupEntry::folder_size); }
  void begin_file(std::string_view name, std::int32_t size) { entry(name, size); }
  void contents(const void* bytes, std::size_t count) { out_.write(bytes, count); }
  void file(std::string_view name, std::string_view bytes);
  void companion(std::string_view name) { entry(name, 0); }
  void end_list() { entry({}, 0); }

 private:
  void entry(std::string_view name, std::int32_t size);
  OutputStream& out_;
};
