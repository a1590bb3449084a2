// The main window on Qt Widgets: three read-out boxes, the port input box and the two
// check buttons, laid out as window_layout.h says.
#pragma once

#include <QMargins>
#include <QWidget>
#include <array>
#include <functional>

#include "app/main_window.h"

class QPushButton;

namespace quarvel {

class InputBox;
class ReadOutBox;

class QtMainWindow : public QWidget, public MainWindow {
 public:
  // Receives every text ShowMessage is given; the default shows ShowInformationBox.
  using MessagePresenter = std::function<void(const Text&)>;

  // Creates the window hidden, with all six controls.
  QtMainWindow();

  Text ControlText(Control control) override;
  void SetControlText(Control control, const Text& text) override;
  void AppendControlText(Control control, const Text& text) override;
  void ShowMessage(const Text& text) override;
  void ProcessPendingEvents() override;

  void SetMessagePresenter(MessagePresenter presenter);
  QWidget* ControlWidget(Control control) const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ReadOutBox* ReadOut(Control control) const;
  // Sizes the client area so that, with the frame the platform reports, the window takes
  // its outer size, and centres it on its screen.
  void FitOuterGeometry();

  std::array<ReadOutBox*, 3> readOutBoxes_{};
  InputBox* inputBox_ = nullptr;
  QPushButton* tcpButton_ = nullptr;
  QPushButton* udpButton_ = nullptr;
  MessagePresenter presenter_;
  QMargins fittedMargins_;
};

}  // namespace quarvel
