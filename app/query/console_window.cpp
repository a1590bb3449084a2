#include "app/query/console_window.h"

#include <utility>

#include "app/window_layout.h"

namespace quarvel {

ConsoleWindow::ConsoleWindow(MessageSink sink) : sink_(std::move(sink)) {
  for (const ControlLayout& layout : kControlLayouts) {
    texts_[static_cast<size_t>(layout.control)] = Text(layout.initialText);
  }
}

Text ConsoleWindow::ControlText(Control control) {
  return texts_[static_cast<size_t>(control)];
}

void ConsoleWindow::SetControlText(Control control, const Text& text) {
  texts_[static_cast<size_t>(control)] = text;
}

void ConsoleWindow::AppendControlText(Control control, const Text& text) {
  texts_[static_cast<size_t>(control)] += text;
}

void ConsoleWindow::ShowMessage(const Text& text) {
  if (sink_) sink_(text);
}

}  // namespace quarvel
