#include "setupdat/real_path.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#undef WINVER
#define WINVER 0x0600  // CompareStringOrdinal
#include <windows.h>
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

bool same_name(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
  // As the file system compares names: by its own upper-case table, for every letter.
  const std::wstring& wa = a.native();
  const std::wstring& wb = b.native();
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
#else
  return a == b;
#endif
}

}  // namespace

bool lies_within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (i == inner.end() || !same_name(*i, *o)) return false;
  }
  return true;
}
