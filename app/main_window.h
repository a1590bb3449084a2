// The main window as the application logic sees it: six named controls and the five GUI
// operations. A platform backend (Qt on Linux, Win32 on Windows, a text console for
// quarvel-query) implements it; the views and the port check are written against it only.
#pragma once

#include "http/text.h"

namespace quarvel {

enum class Control { Edit1, Edit2, Edit3, Edit4, ButtonTcp, ButtonUdp };

// Every text crossing this interface is code page 936.
class MainWindow {
 public:
  virtual ~MainWindow() = default;

  // The control's current text.
  virtual Text ControlText(Control control) = 0;
  // Replaces the control's whole text.
  virtual void SetControlText(Control control, const Text& text) = 0;
  // Inserts text at the end of an edit box and scrolls it into view.
  virtual void AppendControlText(Control control, const Text& text) = 0;
  // A message box titled "信息：" with one OK button, modal for the whole application.
  virtual void ShowMessage(const Text& text) = 0;
  // Runs every window event already queued, then returns.
  virtual void ProcessPendingEvents() = 0;
};

}  // namespace quarvel
