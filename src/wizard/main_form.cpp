#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string_view>

#include "core/failure.h"
#include "core/paths.h"
#include "core/texts.h"
#include "install/installation.h"
#include "resources/resource_ids.h"
#include "win/app.h"
#include "win/files.h"
#include "win/message_dialog.h"
#include "wizard/Main.h"
#include "wizard/copy_progress.h"
#include "wizard/destination.h"
#include "wizard/page_rules.h"
#include "wizard/scaling.h"

TMainForm* MainForm = nullptr;

namespace {

// Posted to the window to move the default look to the button Enter now belongs to.
constexpr UINT show_default_message = WM_APP + 1;

constexpr char form_class[] = "TMainForm";
constexpr char page_class[] = "TMoPage";

// Window styles: a fixed single border, system menu and minimise box, no maximise box.
constexpr DWORD form_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                             WS_CLIPCHILDREN;
constexpr DWORD form_ex_style = WS_EX_CONTROLPARENT;

// Newer than the oldest system the program runs on; a system without them never sends them.
constexpr UINT dpi_changed_message = 0x02E0;      // WM_DPICHANGED
constexpr UINT dpi_scaled_size_message = 0x02E4;  // WM_GETDPISCALEDSIZE

// A label shows its text as it is, an "&" included (a product or file name may hold one),
// unless its own caption marks a mnemonic.
bool shows_prefix(const ControlRow& row) {
  return row.caption && std::string_view(row.caption).find('&') != std::string_view::npos;
}

// The license as the box shows it: its 57 lines, without the line break after the last, which
// would show as an empty 58th.
std::string license_text() {
  std::string text(app::resource(IDR_LICENSE, 10));  // RT_RCDATA
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  return text;
}

void register_classes(WNDPROC form_proc, WNDPROC page_proc) {
  WNDCLASSEXA form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = form_proc;
  form.hInstance = app::instance();
  form.hIcon = LoadIconA(app::instance(), MAKEINTRESOURCEA(IDI_SETUP));
  form.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = form_class;
  RegisterClassExA(&form);

  WNDCLASSEXA page = form;
  page.lpfnWndProc = page_proc;
  page.hIcon = nullptr;
  page.lpszClassName = page_class;
  RegisterClassExA(&page);
}

// The layout's client area at dpi.
density::Size client_size(int dpi) {
  const RECT client = scaled_rect({0, 0, client_width, client_height}, dpi);
  return {client.right, client.bottom};
}

bool is_checked(HWND check_box) { return SendMessageA(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::string window_text(HWND window) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

void TMainForm::create() {
  register_classes(&window_proc, &page_proc);
  // Made where it will be shown, so that the system gives it the density of that screen;
  // sized for that density once it has it.
  const auto centred = [](SIZE frame) {
    return POINT{(GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2};
  };
  const SIZE design = window_size(density::design_dpi);
  const POINT at = centred(design);
  window_ = CreateWindowExA(form_ex_style, form_class, texts::setup_title, form_style, at.x, at.y,
                            design.cx, design.cy, nullptr, nullptr, app::instance(), this);
  app::set_main_window(window_);
  dpi_ = window_dpi(window_);
  const SIZE frame = window_size(dpi_);
  const POINT there = centred(frame);
  SetWindowPos(window_, nullptr, there.x, there.y, frame.cx, frame.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  create_controls();
  lay_out();
  try {
    FormCreate();
  } catch (const std::exception& failure) {
    // Like every other handler's failure: reported, and the wizard goes on.
    show_error_box(failure.what());
  }
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  if (focus_) SetFocus(focus_);
}

SIZE TMainForm::window_size(int dpi) const {
  const density::Size size =
      density::outer_size(client_size(dpi), frame_thickness(form_style, form_ex_style, dpi));
  return {size.width, size.height};
}

void TMainForm::create_controls() {
  for (const ControlRow& row : layout_rows) {
    const char* window_class = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | (row.tab_stop ? WS_TABSTOP : 0);
    DWORD ex_style = 0;
    switch (row.kind) {
      case ControlKind::Label:
      case ControlKind::Heading:
        style |= SS_LEFT | SS_LEFTNOWORDWRAP | (shows_prefix(row) ? 0 : SS_NOPREFIX);
        break;
      case ControlKind::WrapLabel:
        style |= SS_LEFT | (shows_prefix(row) ? 0 : SS_NOPREFIX);
        break;
      case ControlKind::Button:
        window_class = "BUTTON";
        // BS_NOTIFY: the focus entering and leaving a button moves the default look.
        style |= BS_NOTIFY | (row.id == NextButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ControlKind::CheckBox:
        window_class = "BUTTON";
        style |= BS_AUTOCHECKBOX;
        break;
      case ControlKind::Edit:
        window_class = "EDIT";
        style |= ES_AUTOHSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::Memo:
        window_class = "EDIT";
        style |= ES_MULTILINE | ES_READONLY | WS_VSCROLL;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::ProgressBar:
        window_class = PROGRESS_CLASSA;
        break;
      case ControlKind::Picture:
        style |= SS_BITMAP | SS_REALSIZECONTROL;
        break;
      case ControlKind::PageArea:
        window_class = page_class;
        style |= WS_CLIPCHILDREN;
        ex_style = WS_EX_CONTROLPARENT;
        break;
    }
    // Placed, given its font and, the picture, its image by lay_out().
    HWND parent = row.page == on_window ? window_ : pages_[row.page];
    HWND control = CreateWindowExA(ex_style, window_class, row.caption ? row.caption : "", style,
                                   0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                   app::instance(), nullptr);
    switch (row.kind) {
      case ControlKind::CheckBox:
        SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
        break;
      case ControlKind::Memo:
        SetWindowTextA(control, license_text().c_str());
        break;
      case ControlKind::PageArea:
        // Six pages, each filling the area; only the current one is visible.
        for (int p = 0; p < PageCount; ++p) {
          pages_[p] = CreateWindowExA(WS_EX_CONTROLPARENT, page_class, "",
                                      WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                      control, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p)),
                                      app::instance(), nullptr);
        }
        ShowWindow(pages_[WelcomePage], SW_SHOW);
        break;
      default:
        break;
    }
  }
}

void TMainForm::lay_out() {
  GdiObject<HFONT> font = make_wizard_font(dpi_, false), heading = make_wizard_font(dpi_, true);
  for (const ControlRow& row : layout_rows) {
    HWND c = control(row.id);
    const RECT r = scaled_rect(row, dpi_);
    const int width = r.right - r.left, height = r.bottom - r.top;
    MoveWindow(c, r.left, r.top, width, height, FALSE);
    const HFONT own = row.kind == ControlKind::Heading ? heading.get() : font.get();
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(own), FALSE);
    if (row.kind == ControlKind::Picture) {
      GdiObject<HBITMAP> picture = make_side_picture(width, height);
      SendMessageA(c, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.get()));
      picture_ = std::move(picture);  // the one shown before goes once it no longer is
    }
    if (row.kind == ControlKind::PageArea)
      for (HWND page : pages_) MoveWindow(page, 0, 0, width, height, FALSE);
  }
  font_ = std::move(font);
  heading_font_ = std::move(heading);
}

HWND TMainForm::parent_of(ControlId id) const {
  const int page = layout_row(id).page;
  return page == on_window ? window_ : pages_[page];
}

void TMainForm::set_visible(ControlId id, bool visible) {
  ShowWindow(control(id), visible ? SW_SHOWNA : SW_HIDE);
}

bool TMainForm::usable(ControlId id) const {
  HWND c = control(id);
  return IsWindowVisible(c) && IsWindowEnabled(c);
}

void TMainForm::activate_control(ControlId id) {
  focus_ = control(id);
  if (IsWindowVisible(window_)) SetFocus(focus_);
}

void TMainForm::FormCreate() {
  char module[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  SourceDir = add_backslash(folder_part(module));
  SetupDataPath = SourceDir + texts::setup_data_name;
  try {
    FileInputStream data(SetupDataPath);
    SetupHeader = read_setup_header(data);
  } catch (...) {
    fatal_missing_file(SetupDataPath);
  }
  set_text(WelcomeDescriptionLabel, welcome_text(SetupHeader.product_name).c_str());
  set_text(DestFolderInput,
           (add_backslash(program_files_dir()) + texts::default_folder_name).c_str());
  show_page(WelcomePage);
}

void TMainForm::FormPaint() {
  // The sunken frame around the picture lives only on the screen: drawn anew on every paint.
  RECT image;
  GetWindowRect(control(Image), &image);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&image), 2);
  WindowDC dc(window_);
  if (dc) draw_sunken_frame(dc.get(), image, density::scale(2, dpi_));
}

void TMainForm::FormDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  lay_out();
  // The suggested size holds the frame scaled too, which only the newest systems draw so.
  const density::Rect placed = density::placed_at_new_density(
      client_size(dpi), frame_thickness(form_style, form_ex_style, dpi),
      {suggested.left, suggested.top, suggested.right - suggested.left,
       suggested.bottom - suggested.top});
  SetWindowPos(window_, nullptr, placed.left, placed.top, placed.width, placed.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TMainForm::show_page(int page) {
  if (page < 0 || page >= PageCount) return;
  for (int p = 0; p < PageCount; ++p)
    if (p != page) ShowWindow(pages_[p], SW_HIDE);
  ShowWindow(pages_[page], SW_SHOWNA);
  page_ = page;

  const PageButtons b = page_buttons(page);
  set_enabled(BackButton, b.back_enabled);
  set_enabled(CancelButton, b.cancel_enabled);
  set_visible(BackButton, b.back_visible);
  set_visible(NextButton, b.next_visible);
  set_visible(CancelButton, b.cancel_visible);
  set_text(NextButton, b.next_caption);
  if (b.cancel_caption) set_text(CancelButton, b.cancel_caption);
  if (b.focus_next) activate_control(NextButton);

  if (page == CopyPage) {
    // Paint the Copy page and the buttons' new states before the work starts.
    app::process_messages();
    try {
      run_installation();
    } catch (const std::exception& failure) {
      show_error_box(failure.what());
      show_failed_run();
    }
    show_page(ReadyPage);
  }
}

void TMainForm::show_failed_run() {
  set_text(ReadyHeadingLabel, texts::ready_failed_heading);
  set_text(ReadyDescriptionLabel, texts::ready_failed_description);
  // What the run did not make cannot be opened or started.
  SendMessageA(control(ReadyReadmeCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(control(ReadyStartCheck), BM_SETCHECK, BST_UNCHECKED, 0);
}

void TMainForm::run_installation() {
  InstallRun run;
  run.source_dir = SourceDir;
  run.dest_dir = DestDir;
  run.setup_data_path = SetupDataPath;
  run.shortcuts = {is_checked(control(IconFolderCheck)), is_checked(control(IconShortcutCheck))};
  run.owner = window_;
  run.header = SetupHeader;
  run_started_ = true;
  CopyPageProgress progress(control(CopyStatusLabel), control(CopyProgressBar));
  struct KeepState {  // the run's counts reach the form also when the run fails
    TMainForm& form;
    InstallRun& run;
    ~KeepState() {
      form.SetupHeader = run.header;
      form.TotalItems = run.total_items;
      form.LogRecordCount = run.log_record_count;
    }
  } keep{*this, run};
  ::run_installation(run, progress);
}

bool TMainForm::can_leave_page(int page) {
  if (page != DestPage) return true;
  bool created = false;
  if (!leave_dest_page(window_text(control(DestFolderInput)), DestDir, created)) return false;
  if (created) created_folders_.push_back(DestDir);
  return true;
}

bool TMainForm::FormCloseQuery() {
  if (page_ == CopyPage) return false;
  if (page_ == ReadyPage) return true;
  return show_message(texts::confirm_cancel, MessageKind::confirmation, buttons::yes_no) ==
         results::yes;
}

void TMainForm::FormDestroy() {
  // A cancelled wizard leaves no trace: each folder it made goes again, newest first, unless an
  // installation run used it. RemoveDirectoryA removes only an empty folder, so whatever someone
  // put there meanwhile stays, and with it the folder.
  for (auto folder = created_folders_.rbegin(); folder != created_folders_.rend(); ++folder)
    if (!(run_started_ && *folder == DestDir)) RemoveDirectoryA(folder->c_str());
}

bool TMainForm::take_mnemonic(char letter) {
  // The folder field has no tab stop, so the dialog manager would give its label's letter to
  // the Browse button after it; a labelled field takes its label's letter, its text selected.
  if (page_ != DestPage || !matches_mnemonic(texts::dest_folder_label, letter)) return false;
  activate_control(DestFolderInput);
  SendMessageA(control(DestFolderInput), EM_SETSEL, 0, -1);
  return true;
}

void TMainForm::BackButtonClick() { show_page(page_ - 1); }

void TMainForm::NextButtonClick() {
  if (page_ != ReadyPage) {
    if (can_leave_page(page_)) show_page(page_ + 1);
    return;
  }
  // Finish. What the shell answers is not looked at; a failure here only skips the rest.
  try {
    // The shell may hand a document to a handler of its own, which wants COM on this thread.
    ComApartment apartment;
    if (is_checked(control(ReadyReadmeCheck)))
      ShellExecuteA(nullptr, nullptr, (DestDir + texts::readme_file).c_str(), nullptr, nullptr,
                    SW_SHOWNORMAL);
    if (is_checked(control(ReadyStartCheck)))
      ShellExecuteA(nullptr, nullptr, (DestDir + texts::program_file).c_str(), nullptr,
                    DestDir.c_str(), SW_SHOWNORMAL);
  } catch (...) {
  }
  PostMessageA(window_, WM_CLOSE, 0, 0);
}

void TMainForm::CancelButtonClick() { PostMessageA(window_, WM_CLOSE, 0, 0); }

void TMainForm::DestBrowseButtonClick() {
  HWND input = control(DestFolderInput);
  SetWindowTextA(input, browse_for_folder(window_, texts::browse_title, window_text(input)).c_str());
}

ControlId TMainForm::enter_button() const {
  HWND focused = GetFocus();
  const int id = focused && IsChild(window_, focused) ? GetDlgCtrlID(focused) : 0;
  return id == BackButton || id == CancelButton || id == DestBrowseButton ? ControlId(id)
                                                                          : NextButton;
}

void TMainForm::show_default_button() {
  const ControlId chosen = enter_button();
  for (ControlId id : {BackButton, NextButton, CancelButton, DestBrowseButton})
    SendMessageA(control(id), BM_SETSTYLE,
                 BS_NOTIFY | (id == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
}

void TMainForm::command(int id, int code) {
  if (code == BN_SETFOCUS || code == BN_KILLFOCUS) {
    // Looked at once the focus has settled: while a button loses it, the next holder may not
    // have it yet.
    PostMessageA(window_, show_default_message, 0, 0);
    return;
  }
  if (code != BN_CLICKED) return;
  // Enter and Esc arrive as IDOK and IDCANCEL; they act only while their button could be
  // clicked.
  if (id == IDOK) id = NextButton;
  if (id == IDCANCEL) id = CancelButton;
  if ((id == NextButton || id == BackButton || id == CancelButton) && !usable(ControlId(id)))
    return;
  switch (id) {
    case BackButton: BackButtonClick(); break;
    case NextButton: NextButtonClick(); break;
    case CancelButton: CancelButtonClick(); break;
    case DestBrowseButton: DestBrowseButtonClick(); break;
    default: break;
  }
}

LRESULT TMainForm::handle_message(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window_, &ps);
      EndPaint(window_, &ps);
      FormPaint();
      return 0;
    }
    case WM_COMMAND:
      command(LOWORD(w), HIWORD(w));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(enter_button(), DC_HASDEFID);
    case show_default_message:
      show_default_button();
      return 0;
    case WM_NEXTDLGCTL: {
      // The license text box takes Tab for itself and asks its parent, as it would ask a
      // dialog, to move the focus on; the page hands that here.
      HWND next = LOWORD(l) ? reinterpret_cast<HWND>(w)
                            : GetNextDlgTabItem(window_, GetFocus(), w != 0);
      if (next) SetFocus(next);
      return 0;
    }
    case WM_CLOSE:
      if (FormCloseQuery()) DestroyWindow(window_);
      return 0;
    case dpi_scaled_size_message: {
      // Asked before a move to a screen of another density: the size whose client area is the
      // layout's at that density, which the suggestion of the next message then holds.
      *reinterpret_cast<SIZE*>(l) = window_size(LOWORD(w));
      return TRUE;
    }
    case dpi_changed_message:
      FormDpiChanged(HIWORD(w), *reinterpret_cast<const RECT*>(l));
      return 0;
    case WM_QUERYENDSESSION:
      // A logoff or restart would cut the installation run short, as closing the window would.
      return page_ != CopyPage;
    case WM_ACTIVATE:
      // Like a dialog: the focus leaves with the window and comes back to the same control.
      if (LOWORD(w) == WA_INACTIVE) {
        HWND focused = GetFocus();
        if (focused && IsChild(window_, focused)) focus_ = focused;
      } else if (focus_) {
        SetFocus(focus_);
      }
      return 0;
    case WM_CTLCOLORSTATIC: {
      const LRESULT brush = DefWindowProcA(window_, message, w, l);
      const ControlRow& row = layout_row(ControlId(GetDlgCtrlID(reinterpret_cast<HWND>(l))));
      if (row.black_text) SetTextColor(reinterpret_cast<HDC>(w), RGB(0, 0, 0));
      return brush;
    }
    case app::mnemonic_message:
      return take_mnemonic(static_cast<char>(w));
    case WM_DESTROY:
      FormDestroy();
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window_, message, w, l);
  }
}

LRESULT CALLBACK TMainForm::window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    created->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!form) return DefWindowProcA(window, message, w, l);
  try {
    return form->handle_message(message, w, l);
  } catch (const std::exception& failure) {
    // A failure no step caught: reported, and the wizard goes on waiting for input.
    show_error_box(failure.what());
    return 0;
  }
}

// The page area and its pages hand commands, focus moves and colour requests to the window,
// which owns every control's behaviour.
LRESULT CALLBACK TMainForm::page_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CLOSE:
      // The license text box answers Esc by closing its parent, here a page: that is the
      // wizard's Esc, and a page itself never closes.
      return SendMessageA(MainForm->handle(), WM_COMMAND, IDCANCEL, 0);
    case WM_NEXTDLGCTL:  // the license text box's Tab
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return SendMessageA(MainForm->handle(), message, w, l);
    default:
      return DefWindowProcA(window, message, w, l);
  }
}
