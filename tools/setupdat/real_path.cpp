#include "setupdat/real_path.h"

#include <cstdint>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

fs::path real_path(const fs::path& path) {
  std::error_code error;
  // Made absolute first: of a relative path whose first step does not exist yet ("dist"),
  // weakly_canonical would resolve nothing at all.
  const fs::path absolute = fs::absolute(path, error);
  fs::path real = fs::weakly_canonical(absolute, error);
  if (error) real = absolute.lexically_normal();
  if (!real.has_filename() && real.has_relative_path()) real = real.parent_path();  // "a/b/"
  return real;
}

namespace {

struct Identity {
  std::uint64_t device = 0, file = 0;
  bool operator==(const Identity&) const = default;
};

std::optional<Identity> identity(const fs::path& path) {
#ifdef _WIN32
  // Opening a folder needs backup semantics; with no access asked, sharing never refuses it.
  const HANDLE handle = CreateFileW(path.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return Identity{info.dwVolumeSerialNumber,
                  std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
#else
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  return Identity{static_cast<std::uint64_t>(status.st_dev),
                  static_cast<std::uint64_t>(status.st_ino)};
#endif
}

}  // namespace

std::optional<fs::path> part_that_is(const fs::path& real, const fs::path& folder) {
  const auto wanted = identity(folder);
  if (!wanted) return std::nullopt;
  for (fs::path part = real;; part = part.parent_path()) {
    if (identity(part) == wanted) return part;
    if (!part.has_relative_path()) return std::nullopt;  // the root: nothing above
  }
}
