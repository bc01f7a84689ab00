/* Stands in for the installed program in the Finish test: it notes the folder it was started
   in, in "Started.txt" beside itself, and ends. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  char folder[MAX_PATH], note[MAX_PATH + 16];
  DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
  DWORD own = GetModuleFileNameA(NULL, note, MAX_PATH);
  HANDLE file;
  DWORD written;
  (void)instance, (void)previous, (void)command_line, (void)show;
  if (length == 0 || length >= MAX_PATH || own == 0 || own >= MAX_PATH) return 1;
  while (own > 0 && note[own - 1] != '\\') --own;
  lstrcpyA(note + own, "Started.txt");
  file = CreateFileA(note, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  WriteFile(file, folder, length, &written, NULL);
  CloseHandle(file);
  return 0;
}
