// What the benchmark's step programs measure: a clock in milliseconds and a process's peak
// working set.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstddef>

namespace bench {

inline double now_ms() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The most memory the process has held in its working set, in KiB; 0 when it cannot be read.
inline std::size_t peak_kib(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!process || !GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize / 1024;
}

}  // namespace bench
