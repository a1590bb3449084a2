// The main window without a screen: the six controls are text buffers and a message is
// written to a stream.
#pragma once

#include <array>
#include <functional>

#include "app/main_window.h"

namespace quarvel {

class ConsoleWindow : public MainWindow {
 public:
  // Receives every text ShowMessage is given.
  using MessageSink = std::function<void(const Text&)>;

  explicit ConsoleWindow(MessageSink sink);

  Text ControlText(Control control) override;
  void SetControlText(Control control, const Text& text) override;
  void AppendControlText(Control control, const Text& text) override;
  void ShowMessage(const Text& text) override;
  void ProcessPendingEvents() override {}

 private:
  std::array<Text, 6> texts_;
  MessageSink sink_;
};

}  // namespace quarvel
