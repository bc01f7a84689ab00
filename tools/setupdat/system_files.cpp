#include "setupdat/system_files.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string errno_reason(int errno_value) {
  return std::error_code(errno_value, std::generic_category()).message();
}

#ifdef _WIN32

// The reason of a Windows error code, in the words of the C library's texts where one means the
// same, so that the tool speaks alike on both systems.
std::string windows_reason(DWORD code) {
  switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "the file is open in another program";
    case ERROR_ACCESS_DENIED:
      return errno_reason(EACCES);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return errno_reason(ENOENT);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return errno_reason(EEXIST);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return errno_reason(ENOSPC);
    case ERROR_WRITE_PROTECT:
      return errno_reason(EROFS);
    case ERROR_NOT_SAME_DEVICE:
      return errno_reason(EXDEV);
    default:
      break;
  }
  char text[256] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string reason(text, length);
  while (!reason.empty() && std::strchr(" .\r\n", reason.back())) reason.pop_back();
  return reason.empty() ? "Windows error " + std::to_string(code) : reason;
}

#endif

}  // namespace

namespace system_files {

std::FILE* open(const fs::path& path, const char* mode, std::string& reason) {
  const bool create = std::strcmp(mode, "wbx") == 0;
#ifdef _WIN32
  const HANDLE handle =
      CreateFileW(path.c_str(), create ? GENERIC_WRITE : GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, create ? CREATE_NEW : OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    reason = windows_reason(GetLastError());
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                 (create ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
  if (fd == -1) {
    reason = errno_reason(errno);
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, create ? "wb" : "rb");
  if (!file) {
    reason = errno_reason(errno);
    _close(fd);
  }
  return file;
#else
  std::FILE* file = std::fopen(path.c_str(), create ? "wbx" : "rb");
  if (!file) reason = errno_reason(errno);
  return file;
#endif
}

std::optional<std::string> rename(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return std::nullopt;
  return windows_reason(GetLastError());
#else
  if (std::rename(from.c_str(), to.c_str()) == 0) return std::nullopt;
  return errno_reason(errno);
#endif
}

}  // namespace system_files
