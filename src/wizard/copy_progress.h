// The Copy page's status line and progress bar, as the installation run reports to them.
#pragma once

#include <windows.h>

#include <optional>

#include "install/installation.h"

// The controls hold every state the run reports, exactly, as soon as it is reported: whoever
// reads them (a screen reader, a test) sees each one. The screen shows them at display rate
// instead: a paint is due when the last is a frame's time old, and then the status line is
// drawn, and the bar when the length it draws has changed. The run's first and last states are
// always painted, and so is the state behind any box the run shows.
//
// Under Wine both controls would otherwise draw for every item: the status line draws itself
// whenever its text is set, and the bar repaints all of its filled part, milliseconds each,
// whenever its position changes, and asks Wine's server twice for it even when it cannot be
// seen. So the status line's text is stored without the line drawing it (it draws whenever it
// is painted, and stays a visible window throughout), and the bar's position between paints is
// kept here: the bar answers every question about it with the exact value, and is given it
// when it is to be drawn. Between items the messages are answered without painting.
class CopyPageProgress final : public InstallProgress {
 public:
  CopyPageProgress(HWND status, HWND bar);
  ~CopyPageProgress() override;
  CopyPageProgress(const CopyPageProgress&) = delete;
  CopyPageProgress& operator=(const CopyPageProgress&) = delete;

  void set_status(const std::string& text) override;
  void set_range(std::uint16_t maximum) override;
  void step() override;
  void fill() override;
  void process_messages() override;
  void show_now() override;

 private:
  static LRESULT CALLBACK bar_window_proc(HWND bar, UINT message, WPARAM w, LPARAM l);
  int within_range(int position) const;
  void hand_over_position();
  int drawn_length(int position) const;
  void paint(bool whole_state);

  HWND status_, bar_;
  WNDPROC bar_proc_ = nullptr;
  std::optional<int> position_;  // the bar's position while it is not yet drawn
  bool status_due_ = false, painted_once_ = false, last_state_ = false;
  int painted_length_ = 0;
  DWORD painted_at_ = 0;
};
