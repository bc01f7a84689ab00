// Feeds arbitrary bytes to the uninstaller's reader of Uninst.dat, reading as many records as
// the header claims, the way the uninstaller does.
#include <cstddef>
#include <cstdint>

#include "core/dates.h"
#include "core/failure.h"
#include "core/uninstall_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryInputStream in(data, size);
  try {
    UninstallLogReader log(in);
    for (std::int32_t i = 0; i < log.header().record_count; ++i) {
      const UninstallRecord r = log.next();
      // The date of every record is compared and shown, whatever its bits.
      (void)datetime_to_dos(r.file_date);
      (void)split_datetime(r.file_date);
    }
  } catch (const Failure&) {
  }
  return 0;
}
