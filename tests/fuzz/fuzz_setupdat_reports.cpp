// Feeds arbitrary bytes to the tool's readers, which read on past what the installer would
// refuse in order to report every problem: the Setup.dat check and the Uninst.dat check, with
// every name going through the code-page conversion the reports use. The first byte chooses the
// reader, the rest is the file.
#include <cstddef>
#include <cstdint>

#include "core/failure.h"
#include "setupdat/codepage.h"
#include "setupdat/log_report.h"
#include "setupdat/setup_check.h"

namespace {

struct SetupNames : SetupSink {
  void header(const SetupHeader* h, std::int64_t) override {
    if (h) (void)cp1252_to_utf8(h->product_name.view());
  }
  void folder_begin(std::string_view name) override { (void)cp1252_to_utf8(name); }
  void file(std::string_view name, std::int32_t) override { (void)cp1252_to_utf8(name); }
  void companion(std::string_view name) override { (void)cp1252_to_utf8(name); }
};

struct LogPaths : LogSink {
  void record(const UninstallRecord& r) override { (void)cp1252_to_utf8(r.path.view()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  MemoryInputStream in(data + 1, size - 1);
  Problems problems;
  if (data[0] & 1) {
    SetupNames sink;
    check_setup(in, size - 1, sink, problems);
  } else {
    LogPaths sink;
    check_log(in, size - 1, sink, problems);
  }
  (void)problems.shown();
  return 0;
}
