// The C++ library's throw helpers, defined here so that the library's own versions, and with
// them its copy-on-write string and exception classes and their formatting code, stay out of
// Setup.exe (about a fifth of its size). They throw what they always threw in spirit: a Failure
// with the library's message, which every handler of the program catches as a std::exception.
#include <cstdarg>
#include <cstdio>
#include <new>

#include "core/failure.h"

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_length_error(const char* what) { throw Failure(what); }
void __throw_logic_error(const char* what) { throw Failure(what); }
void __throw_bad_function_call() { throw Failure("bad function call"); }
void __throw_out_of_range_fmt(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  throw Failure(text);
}

}  // namespace std
