// The main window on Win32: three read-out boxes, the port input box and the two check
// buttons, created with the W functions as window_layout.h lays them out.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <utility>

#include "app/main_window.h"

namespace quarvel {

class Win32MainWindow : public MainWindow {
 public:
  using Handler = std::function<void()>;
  // Receives every text ShowMessage is given; the default shows a task-modal message box.
  using MessagePresenter = std::function<void(const Text&)>;

  Win32MainWindow();
  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  // Creates the window hidden, centred, with its six controls. False when Windows refuses.
  bool Create(HINSTANCE instance);
  // Shows the window normally; it stays where Create centred it.
  void Show();

  Text ControlText(Control control) override;
  void SetControlText(Control control, const Text& text) override;
  void AppendControlText(Control control, const Text& text) override;
  void ShowMessage(const Text& text) override;
  void ProcessPendingEvents() override;

  void SetClickHandler(Control button, Handler handler);
  void SetMessagePresenter(MessagePresenter presenter);

  HWND Handle() const { return window_; }
  HWND ControlHandle(Control control) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateControls(HINSTANCE instance);

  HWND window_ = nullptr;
  std::array<HWND, 6> controls_{};
  HWND focusedControl_ = nullptr;  // the focus to restore when the window is activated
  bool destroying_ = false;        // the program, not the user, is closing the window
  Handler tcpHandler_;
  Handler udpHandler_;
  MessagePresenter presenter_;
};

// The window class name, for tools that look the window up.
inline constexpr wchar_t kMainWindowClass[] = L"QuarvelMainWindow";
// Control identifiers: 100 + the control's position in kControlLayouts. Clear of IDOK and
// IDCANCEL, which dialog navigation sends for Enter and Esc.
inline constexpr int kFirstControlId = 100;

}  // namespace quarvel
