#include "win/screen_density.h"

#include <cstddef>
#include <cstring>

namespace {

// Looked up at each of the few calls: a function-local static would bring the runtime's
// thread-safe initialisation, and with it the thread library, into the program.
template <typename Function>
Function function_of(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(
                      reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                : nullptr;
}

template <typename Function>
Function user32_function(const char* name) {
  return function_of<Function>(GetModuleHandleA("user32.dll"), name);
}

// A DLL of the system folder by its full path: an installer often runs from a download folder,
// where a planted DLL of the same name must not be loaded instead. None where it does not exist.
HMODULE load_system_library(const char* name) {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  const std::size_t name_length = std::strlen(name);
  if (length == 0 || length + 1 + name_length >= MAX_PATH) return nullptr;
  path[length] = '\\';
  std::memcpy(path + length + 1, name, name_length + 1);
  return LoadLibraryA(path);
}

}  // namespace

int system_dpi() {
  WindowDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : density::design_dpi;
}

int monitor_dpi(HMONITOR monitor) {
  // Windows 8.1 and later; the shell's helper DLL is not there before, and not imported.
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  Library shcore(monitor ? load_system_library("shcore.dll") : nullptr);
  const auto for_monitor = function_of<GetDpiForMonitorFn>(shcore.get(), "GetDpiForMonitor");
  UINT x = 0, y = 0;
  // MDT_EFFECTIVE_DPI (0): the density the user chose for the screen, the one to lay out at.
  if (for_monitor && SUCCEEDED(for_monitor(monitor, 0, &x, &y)) && y > 0)
    return static_cast<int>(y);
  return system_dpi();
}

int window_dpi(HWND window) {
  if (!window) return system_dpi();
  // Windows 10 (1607) and later.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto for_window = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = for_window ? for_window(window) : 0;
  return dpi ? static_cast<int>(dpi)
             : monitor_dpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

bool frame_follows_window_density() {
  // Windows 10 (1607) and later; a window's awareness is the one of the thread that made it.
  using GetContextFn = HANDLE(WINAPI*)();
  using EqualFn = BOOL(WINAPI*)(HANDLE, HANDLE);
  const auto thread_context = user32_function<GetContextFn>("GetThreadDpiAwarenessContext");
  const auto equal = user32_function<EqualFn>("AreDpiAwarenessContextsEqual");
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, which 1607 does not know yet: not equal there.
  const HANDLE per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  return thread_context && equal && equal(thread_context(), per_monitor_v2);
}

density::Size frame_thickness(DWORD style, DWORD ex_style, int dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  // At the window's density where the frame follows it; else at the system's, which is what the
  // plain function answers.
  const auto adjust_for_dpi = frame_follows_window_density()
                                  ? user32_function<AdjustForDpiFn>("AdjustWindowRectExForDpi")
                                  : nullptr;
  RECT frame{};
  if (!adjust_for_dpi || !adjust_for_dpi(&frame, style, FALSE, ex_style, static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// At the system's density the metrics are taken as they always were; only a screen of another
// density asks for them at its own (Windows 10, 1607 and later), or scales them where the
// system cannot say (Windows 8.1).
GdiObject<HFONT> make_message_font(int dpi) {
  const int system = system_dpi();
  using ParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  const auto for_dpi =
      dpi != system ? user32_function<ParametersForDpiFn>("SystemParametersInfoForDpi") : nullptr;
  if (for_dpi) {
    NONCLIENTMETRICSW metrics{};  // the function has no 8-bit form
    metrics.cbSize = sizeof metrics;
    if (for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
      return GdiObject<HFONT>(CreateFontIndirectW(&metrics.lfMessageFont));
  }
  // Without the last field, which Windows Vista added: Windows XP refuses the longer structure.
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return {};
  LOGFONTA& font = metrics.lfMessageFont;
  font.lfHeight = MulDiv(font.lfHeight, dpi, system);
  font.lfWidth = MulDiv(font.lfWidth, dpi, system);
  return GdiObject<HFONT>(CreateFontIndirectA(&font));
}

int icon_size(int dpi) {
  const int system = system_dpi(), at_system = GetSystemMetrics(SM_CXICON);
  if (dpi == system) return at_system;
  using MetricsForDpiFn = int(WINAPI*)(int, UINT);
  const auto for_dpi = user32_function<MetricsForDpiFn>("GetSystemMetricsForDpi");
  const int size = for_dpi ? for_dpi(SM_CXICON, static_cast<UINT>(dpi)) : 0;
  return size > 0 ? size : MulDiv(at_system, dpi, system);
}

Icon load_system_icon(LPCSTR id, int size) {
  // Windows Vista and later; the common controls are loaded by then (start-up loads them).
  using ScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, LPCWSTR, int, int, HICON*);
  const auto scale_down =
      function_of<ScaleDownFn>(GetModuleHandleA("comctl32.dll"), "LoadIconWithScaleDown");
  HICON icon = nullptr;
  if (scale_down &&
      SUCCEEDED(scale_down(nullptr, reinterpret_cast<LPCWSTR>(id), size, size, &icon)))
    return Icon(icon);
  // Else the image nearest the size, stretched. The system icons' numbers are the same as
  // those of the system's own (OEM) images, which is what this loads without a module.
  return Icon(static_cast<HICON>(LoadImageA(nullptr, id, IMAGE_ICON, size, size, 0)));
}
