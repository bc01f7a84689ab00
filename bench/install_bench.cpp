// install_bench: the installation run without its window, one timed step of the benchmark
// (bench/run.sh), built from the program's own code and flags so that it does what Setup.exe
// does, under the same Wine.
//
//   install_bench install SOURCE DEST   the installation run of SOURCE\Setup.dat into DEST,
//                                       without shortcuts; SOURCE\Setup.exe is copied as the
//                                       uninstaller, as Setup.exe copies itself
//
// It reads Setup.dat once before the clock starts, so that it finds it in the page cache as the
// other steps find their input. It prints one line: milliseconds, items, and the process's peak
// working set in KiB. The registry keys the run wrote (the settings and the uninstall entry)
// are deleted again after the clock has stopped: the benchmark's prefix keeps nothing of it.
// Paths are given without a trailing backslash.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "core/failure.h"
#include "core/paths.h"
#include "core/settings_table.h"
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

// Reads a whole file and throws the bytes away: it only warms the cache.
void touch(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return;
  static std::vector<char> sink(1 << 16);
  DWORD got = 0;
  while (ReadFile(file.get(), sink.data(), static_cast<DWORD>(sink.size()), &got, nullptr) && got)
    ;
}

int install(const std::string& source, const std::string& dest) {
  InstallRun run;
  run.source_dir = source;
  run.dest_dir = dest;
  run.setup_data_path = source + texts::setup_data_name;
  run.shortcuts = {false, false};
  run.uninstaller_source = source + "Setup.exe";
  touch(run.setup_data_path);
  if (!CreateDirectoryA(dest.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return 1;
  Silent progress;
  const double start = bench::now_ms();
  try {
    run_installation(run, progress);
  } catch (const Failure& failure) {
    std::printf("install failed: %s\n", failure.what());
    return 1;
  }
  const double elapsed = bench::now_ms() - start;
  RegDeleteTreeA(HKEY_CURRENT_USER, run.header.settings_key.str().c_str());
  RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                 uninstall_key_path(run.header.product_name.view()).c_str());
  std::printf("install %.1f ms %d items %zu KiB\n", elapsed, run.total_items, bench::peak_kib(GetCurrentProcess()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || std::string(argv[1]) != "install") {
    std::fprintf(stderr, "usage: install_bench install SOURCE DEST\n");
    return 2;
  }
  return install(add_backslash(argv[2]), add_backslash(argv[3]));
}
