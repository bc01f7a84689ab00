#include "win/files.h"

#include "core/dates.h"
#include "core/failure.h"
#include "core/texts.h"

FileInputStream::FileInputStream(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
  if (!file_) throw Failure(format_text(texts::cannot_open_file, {path}));
}

std::size_t FileInputStream::read_some(void* buffer, std::size_t count) {
  DWORD got = 0;
  const DWORD ask = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
  if (!ReadFile(file_.get(), buffer, ask, &got, nullptr)) throw Failure(texts::stream_read_error);
  position_ += got;
  return got;
}

void FileInputStream::seek(std::uint64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position);
  if (position > 0x7FFFFFFFFFFFFFFFull || !SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN))
    throw Failure(texts::stream_read_error);
  position_ = position;
}

FileOutputStream::FileOutputStream(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
  if (!file_) throw Failure(format_text(texts::cannot_create_file, {path}));
}

void FileOutputStream::write(const void* buffer, std::size_t count) {
  DWORD written = 0;
  if (!WriteFile(file_.get(), buffer, static_cast<DWORD>(count), &written, nullptr) ||
      written != count)
    throw Failure(texts::stream_write_error);
}

void FileOutputStream::seek(std::uint64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position);
  if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN))
    throw Failure(texts::stream_write_error);
}

void FileOutputStream::set_last_write_time(const FILETIME& utc) {
  SetFileTime(file_.get(), nullptr, nullptr, &utc);
}

// File times are UTC; the dates of the data files are local time. Both ways go through the
// time zone's rules for the date itself (FileTimeToLocalFileTime and its reverse would apply
// today's offset instead, so that a file dated in winter would read back an hour off in
// summer, and the uninstaller would take every file for changed).
namespace {

bool utc_to_local(const FILETIME& utc, FILETIME& local) {
  // The files of one installation mostly share one time, and the uninstaller reads the date
  // of each: the time zone's rules are looked up once for it, and the last answer is kept.
  static FILETIME last_utc{}, last_local{};
  static bool known = false;
  if (known && CompareFileTime(&utc, &last_utc) == 0) {
    local = last_local;
    return true;
  }
  SYSTEMTIME u, l;
  if (!FileTimeToSystemTime(&utc, &u) || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &l) ||
      !SystemTimeToFileTime(&l, &local))
    return false;
  last_utc = utc;
  last_local = local;
  known = true;
  return true;
}

bool local_to_utc(const FILETIME& local, FILETIME& utc) {
  SYSTEMTIME l, u;
  return FileTimeToSystemTime(&local, &l) && TzSpecificLocalTimeToSystemTime(nullptr, &l, &u) &&
         SystemTimeToFileTime(&u, &utc);
}

}  // namespace

std::optional<double> read_file_date(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  FILETIME local;
  DosDateTime dos;
  if (!utc_to_local(found.ftLastWriteTime, local) ||
      !FileTimeToDosDateTime(&local, &dos.date, &dos.time))
    return std::nullopt;
  return dos_to_datetime(dos);
}

std::optional<FILETIME> file_time_of(double value) {
  const DosDateTime dos = datetime_to_dos(value);
  FILETIME local, utc;
  // A date without DOS form converts to 0, which the conversion refuses.
  if (DosDateTimeToFileTime(dos.date, dos.time, &local) && local_to_utc(local, utc)) return utc;
  return std::nullopt;
}

void set_file_date(const std::string& path, double value) {
  Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw Failure(format_text(texts::could_not_open, {path}));
  if (const auto utc = file_time_of(value)) SetFileTime(file.get(), nullptr, nullptr, &*utc);
}
