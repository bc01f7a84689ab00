// setupdat's entry point: the arguments as UTF-8, the standard streams, and whether stderr is a
// terminal (the only place a progress line belongs). Everything else lives in setupdat_lib.
#include <iostream>
#include <string>
#include <vector>

#include "setupdat/cli.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

bool stderr_is_terminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

int run(const std::vector<std::string>& args) {
  const int code = run_setupdat(args, std::cout, std::cerr,
                                stderr_is_terminal() ? &std::cerr : nullptr);
  if (!std::cout.flush()) {
    std::cerr << "setupdat: the output could not be written\n";
    return exit_code::invalid_input;
  }
  return code;
}

}  // namespace

#ifdef _WIN32

// The console shows the UTF-8 the tool prints; its code page is put back on the way out, since
// it belongs to the console, not to this process.
class Utf8Console {
 public:
  Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
  ~Utf8Console() {
    if (previous_) SetConsoleOutputCP(previous_);
  }

 private:
  UINT previous_;
};

int wmain(int argc, wchar_t** argv) {
  Utf8Console console;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(size > 1 ? static_cast<std::size_t>(size - 1) : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), size, nullptr, nullptr);
    args.push_back(std::move(arg));
  }
  return run(args);
}

#else

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }

#endif
