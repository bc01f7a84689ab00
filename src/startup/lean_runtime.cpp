// The C++ library's throw helpers, defined here so that the library's own versions, and with
// them its copy-on-write string and exception classes and their formatting code, stay out of
// Setup.exe (about a fifth of its size). They throw what they always threw in spirit: a Failure
// with the library's message, which every handler of the program catches as a std::exception.
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
