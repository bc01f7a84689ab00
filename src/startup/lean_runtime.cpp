// Pieces of the C++ runtime that Setup.exe provides itself, to stay small. First the library's
// throw helpers: the library's own versions, and with them its copy-on-write string and
// exception classes and their formatting code, would be about a fifth of the program. They
// throw what they always threw in spirit: a Failure with the library's message, which every
// handler of the program catches as a std::exception. Then, below, what the exception runtime
// asks of threads.
#include <cstdarg>
#include <cstddef>
#include <new>
#include <string>

#include "core/failure.h"

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_length_error(const char* what) { throw Failure(what); }
void __throw_logic_error(const char* what) { throw Failure(what); }
void __throw_bad_function_call() { throw Failure("bad function call"); }
// The library formats these messages with "%s", "%zu" and "%%" only. Doing that by hand keeps
// the C library's whole printf engine, with its floating-point code, out of the program.
void __throw_out_of_range_fmt(const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      text += va_arg(args, const char*);
      ++p;
    } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
      std::size_t n = va_arg(args, std::size_t);
      char digits[24];
      char* d = digits + sizeof digits;
      do *--d = char('0' + n % 10); while (n /= 10);
      text.append(d, digits + sizeof digits);
      p += 2;
    } else if (p[0] == '%' && p[1] == '%') {
      text += '%';
      ++p;
    } else {
      text += *p;
    }
  }
  va_end(args);
  throw Failure(text);
}

}  // namespace std

// What the exception runtime asks of threads. It is built for a threaded world and takes its
// locks and once-flags from the threads library, and keeps its record of the exceptions being
// handled in emulated thread-local storage: together about 34 KB of thread machinery in a program
// that runs one thread (window procedures, the folder browser's callback and every throw run on
// the thread that started the program). For one thread a once is a flag, a lock guards nothing
// and the per-thread record is one record. A program that started a thread would link the
// library's own versions as well, and the link would fail on the duplicates rather than quietly
// keep these.
extern "C" {

// The runtime's per-thread record: the exceptions caught and not yet finished, and how many are
// thrown and not yet caught.
struct ExceptionGlobals {
  void* caught_exceptions;
  unsigned int uncaught_exceptions;
};
ExceptionGlobals* __cxa_get_globals_fast() noexcept {
  static ExceptionGlobals globals;
  return &globals;
}
ExceptionGlobals* __cxa_get_globals() noexcept { return __cxa_get_globals_fast(); }

int pthread_once(long* once, void (*init)()) {
  if (*once == 0) {
    *once = 1;
    init();
  }
  return 0;
}

int pthread_mutex_init(void*, const void*) { return 0; }
int pthread_mutex_destroy(void*) { return 0; }
int pthread_mutex_lock(void*) { return 0; }
int pthread_mutex_unlock(void*) { return 0; }

}  // extern "C"
