// install_bench: one timed step of the installation benchmark, run under the same Wine as the
// installer so that the two are compared on equal terms.
//
//   install_bench copy TREE DEST        copies the folder tree TREE into DEST, file by file with
//                                       CopyFileA: what any plain copy of the product costs
//   install_bench install SOURCE DEST   the installation run of SOURCE\Setup.dat into DEST,
//                                       without shortcuts and without a window
//
// Both read their input once before the clock starts, so that neither pays for a cold page
// cache the other found warm. Each prints one line: the step, milliseconds, items, and the
// process's peak working set in KiB. Paths are given without a trailing backslash.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/failure.h"
#include "core/paths.h"
#include "core/texts.h"
#include "install/installation.h"
#include "win/handles.h"

namespace {

// The run's progress, with no window to show it in.
class Silent final : public InstallProgress {
 public:
  void set_status(const std::string&) override {}
  void set_range(std::uint16_t) override {}
  void step() override {}
  void fill() override {}
  void process_messages() override {}
};

double now_ms() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::size_t peak_kib() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize / 1024;
}

// Reads a whole file and throws the bytes away: it only warms the cache.
void touch(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return;
  static std::vector<char> sink(1 << 20);
  DWORD got = 0;
  while (ReadFile(file.get(), sink.data(), static_cast<DWORD>(sink.size()), &got, nullptr) && got)
    ;
}

// Calls visit(relative path, is_folder) for everything below folder, parents first.
template <typename Visit>
void walk(const std::string& folder, const std::string& relative, Visit&& visit) {
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA((folder + relative + "*").c_str(), &found));
  if (!search) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const bool is_folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    visit(relative + name, is_folder);
    if (is_folder) walk(folder, relative + name + "\\", visit);
  } while (FindNextFileA(search.get(), &found));
}

int copy_tree(const std::string& tree, const std::string& dest) {
  walk(tree, "", [&](const std::string& path, bool is_folder) {
    if (!is_folder) touch(tree + path);
  });
  const double start = now_ms();
  long items = 0;
  bool ok = CreateDirectoryA(dest.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  walk(tree, "", [&](const std::string& path, bool is_folder) {
    const std::string target = dest + path;
    ok &= is_folder ? (CreateDirectoryA(target.c_str(), nullptr) ||
                       GetLastError() == ERROR_ALREADY_EXISTS)
                    : CopyFileA((tree + path).c_str(), target.c_str(), FALSE) != 0;
    ++items;
  });
  const double elapsed = now_ms() - start;
  std::printf("copy %.1f ms %ld items %zu KiB\n", elapsed, items, peak_kib());
  return ok ? 0 : 1;
}

int install(const std::string& source, const std::string& dest) {
  InstallRun run;
  run.source_dir = source;
  run.dest_dir = dest;
  run.setup_data_path = source + texts::setup_data_name;
  run.shortcuts = {false, false};
  touch(run.setup_data_path);
  if (!CreateDirectoryA(dest.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return 1;
  Silent progress;
  const double start = now_ms();
  try {
    run_installation(run, progress);
  } catch (const Failure& failure) {
    std::printf("install failed: %s\n", failure.what());
    return 1;
  }
  const double elapsed = now_ms() - start;
  std::printf("install %.1f ms %d items %zu KiB\n", elapsed, run.total_items, peak_kib());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: install_bench copy TREE DEST | install SOURCE DEST\n");
    return 2;
  }
  const std::string step = argv[1];
  const std::string from = add_backslash(argv[2]), to = add_backslash(argv[3]);
  if (step == "copy") return copy_tree(from, to);
  if (step == "install") return install(from, to);
  std::fprintf(stderr, "unknown step '%s'\n", argv[1]);
  return 2;
}
