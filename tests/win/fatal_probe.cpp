// fatal_probe VARIANT FOLDER: stops with the fatal stop named by VARIANT, with paths inside
// FOLDER. Before it stops it leaves behind what a normal end would still finish: a file open
// with data written to it, and three kinds of clean-up (a local object's destructor, a static
// object's destructor, an atexit handler), each of which would write a marker file into FOLDER.
#include <cstdlib>
#include <string>

#include "core/paths.h"
#include "win/handles.h"
#include "win/message_dialog.h"

namespace {

std::string g_folder;

void write_marker(const char* name) {
  Handle file(CreateFileA((g_folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

struct MarkerOnDestruction {
  const char* name;
  ~MarkerOnDestruction() { write_marker(name); }
};

MarkerOnDestruction g_static_marker{"static.marker"};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string variant = argv[1];
  g_folder = add_backslash(argv[2]);
  std::atexit([] { write_marker("atexit.marker"); });
  MarkerOnDestruction local_marker{"local.marker"};
  thread_local MarkerOnDestruction thread_marker{"thread.marker"};
  (void)thread_marker.name;

  Handle written(CreateFileA((g_folder + "written.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD count = 0;
  WriteFile(written.get(), "partial", 7, &count, nullptr);

  if (variant == "missing_file") fatal_missing_file(g_folder + "Setup.dat");
  if (variant == "create_folder") fatal_create_folder(g_folder + "New Folder");
  if (variant == "create_file") fatal_create_file(g_folder + "New File.txt");
  if (variant == "copy_file") fatal_copy_file(g_folder + "From.wav", g_folder + "To.wav");
  if (variant == "data_read") fatal_data_read();
  return 3;
}
