// Feeds arbitrary bytes to the installer's readers of Setup.dat: the counting pass, then the
// walk of the file tree and the companion list as the installation makes it. Every input must
// end in a result or a Failure, in bounded time and memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/failure.h"
#include "core/setup_data.h"

namespace {

struct Reader : SetupVisitor {
  void file(const std::string&, const SetupEntry& e, InputStream& data) override {
    // Read the contents the way extraction does: in bounded pieces.
    std::uint8_t piece[4096];
    std::int64_t left = e.content_size;
    while (left > 0) {
      const std::size_t n = data.read_some(piece, left < 4096 ? static_cast<std::size_t>(left) : 4096);
      if (n == 0) break;
      left -= static_cast<std::int64_t>(n);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryInputStream in(data, size);
  SetupHeader header;
  try {
    count_items(in, header);
  } catch (const Failure&) {
  }
  try {
    in.seek(SetupHeader::size);
    Reader reader;
    walk_file_tree(in, "C:\\Program Files\\Marbelo Orbit\\", reader);
    walk_companions(in, reader);
  } catch (const Failure&) {
  }
  return 0;
}
