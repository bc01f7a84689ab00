// The wizard window: TMainForm and its one instance MainForm. The window owns the state of a
// setup run; its handlers are the whole of setup mode.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/setup_data.h"
#include "win/handles.h"
#include "wizard/layout.h"

class TMainForm {
 public:
  TMainForm() = default;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Creates the window and its controls hidden, runs FormCreate (which may end the process
  // with a fatal stop before anything is shown), then shows the window.
  void create();
  HWND handle() const { return window_; }
  HWND control(ControlId id) const { return GetDlgItem(parent_of(id), id); }

  // Handlers.
  void FormCreate();
  void FormPaint();
  bool FormCloseQuery();
  void FormDestroy();
  void BackButtonClick();
  void NextButtonClick();
  void CancelButtonClick();
  void DestBrowseButtonClick();
  // Moved to a screen of another density: laid out again at it, and sized for that layout in
  // the frame as the system now draws it, at the place the system suggests.
  void FormDpiChanged(int dpi, const RECT& suggested);

  // Makes page N current and sets the buttons; an index out of range changes nothing.
  // Entering the Copy page runs the installation, then enters the Ready page.
  void show_page(int page);
  // Whether Next may leave the page: only the Dest page checks (and sets DestDir).
  bool can_leave_page(int page);
  void run_installation();
  // The last page after a run that an error stopped: it says so, and starts nothing on Finish.
  void show_failed_run();
  int current_page() const { return page_; }
  int dpi() const { return dpi_; }

  // Run state.
  std::string SourceDir;
  std::string DestDir;
  std::string SetupDataPath;
  ::SetupHeader SetupHeader;
  std::int32_t TotalItems = 0;
  std::int32_t LogRecordCount = 0;

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK page_proc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT handle_message(UINT message, WPARAM w, LPARAM l);
  void create_controls();
  // Gives every control its place and font, and the picture its image, at the window's density.
  void lay_out();
  // The window's outer size at dpi, for the layout's client area.
  SIZE window_size(int dpi) const;
  void command(int id, int code);
  // Enter belongs to a focused push button, however it got the focus (Tab, a click, or back
  // from a dialog); otherwise to Next. The default look goes with it.
  ControlId enter_button() const;
  void show_default_button();
  HWND parent_of(ControlId id) const;
  void set_text(ControlId id, const char* text) { SetWindowTextA(control(id), text); }
  void set_visible(ControlId id, bool visible);
  void set_enabled(ControlId id, bool enabled) { EnableWindow(control(id), enabled); }
  bool usable(ControlId id) const;
  void activate_control(ControlId id);
  // An Alt+letter of the current page's labels; true when it moved the focus.
  bool take_mnemonic(char letter);

  HWND window_ = nullptr;
  HWND pages_[PageCount] = {};
  int page_ = -1;
  int dpi_ = 96;  // pixels per inch of the screen the window is on
  HWND focus_ = nullptr;  // the control that has, or will get, the keyboard focus
  // Destination folders this wizard made, in order, and whether an installation run began (in
  // DestDir): a wizard that ends without one takes the folders it made away again.
  std::vector<std::string> created_folders_;
  bool run_started_ = false;
  GdiObject<HFONT> font_;
  GdiObject<HFONT> heading_font_;
  GdiObject<HBITMAP> picture_;
};

extern TMainForm* MainForm;
