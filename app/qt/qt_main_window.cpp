#include "app/qt/qt_main_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <utility>

#include "app/port_check.h"
#include "app/qt/input_box.h"
#include "app/qt/message_box.h"
#include "app/qt/qt_text.h"
#include "app/qt/read_out_box.h"
#include "app/window_layout.h"

namespace quarvel {
namespace {

QString ObjectName(const ControlLayout& layout) {
  return QString::fromUtf8(layout.objectName.data(),
                           static_cast<qsizetype>(layout.objectName.size()));
}

void Place(QWidget* widget, const ControlLayout& layout) {
  widget->setObjectName(ObjectName(layout));
  widget->setGeometry(layout.left, layout.top, layout.width, layout.height);
}

// The layout was drawn for Windows' default GUI font, 8 points at 96 dpi: characters 11
// pixels high in lines of about 13. Qt's default on Linux is larger and would scroll the
// first lines of 编辑框1 out of view, so the system family is kept at that size.
constexpr int kLayoutFontPixelSize = 11;

QFont LayoutFont() {
  QFont font = QApplication::font();
  font.setPixelSize(kLayoutFontPixelSize);
  return font;
}

QPushButton* MakeButton(const ControlLayout& layout, QWidget* parent) {
  auto* button = new QPushButton(ToQString(Text(layout.initialText)), parent);
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setFocusPolicy(Qt::StrongFocus);
  Place(button, layout);
  return button;
}

}  // namespace

QtMainWindow::QtMainWindow() : presenter_(ShowInformationBox) {
  setWindowTitle(ToQString(Text(kMainWindowLayout.caption)));
  // Fixed frame with close and minimise buttons, no maximise button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(LayoutFont());
  QPalette colours = palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Window, colours.color(group, QPalette::Button));
  }
  setPalette(colours);
  setAutoFillBackground(true);

  for (Control control : {Control::Edit1, Control::Edit2, Control::Edit3}) {
    auto* box = new ReadOutBox(control != Control::Edit1, this);
    Place(box, LayoutOf(control));
    readOutBoxes_[static_cast<size_t>(control)] = box;
  }
  inputBox_ = new InputBox(kInputLimitBytes, this);
  Place(inputBox_, LayoutOf(Control::Edit4));
  tcpButton_ = MakeButton(LayoutOf(Control::ButtonTcp), this);
  udpButton_ = MakeButton(LayoutOf(Control::ButtonUdp), this);
  QObject::connect(tcpButton_, &QPushButton::clicked, this, [this] { OnTcpCheckClicked(*this); });
  QObject::connect(udpButton_, &QPushButton::clicked, this, [this] { OnUdpCheckClicked(*this); });

  setTabOrder(inputBox_, tcpButton_);
  setTabOrder(tcpButton_, udpButton_);
  inputBox_->setFocus();

  FitOuterGeometry();
}

QWidget* QtMainWindow::ControlWidget(Control control) const {
  switch (control) {
    case Control::Edit4:
      return inputBox_;
    case Control::ButtonTcp:
      return tcpButton_;
    case Control::ButtonUdp:
      return udpButton_;
    default:
      return ReadOut(control);
  }
}

ReadOutBox* QtMainWindow::ReadOut(Control control) const {
  const auto index = static_cast<size_t>(control);
  return index < readOutBoxes_.size() ? readOutBoxes_[index] : nullptr;
}

Text QtMainWindow::ControlText(Control control) {
  if (ReadOutBox* box = ReadOut(control)) return box->StoredText();
  if (control == Control::Edit4) return ToText(inputBox_->text());
  return ToText(static_cast<QPushButton*>(ControlWidget(control))->text());
}

void QtMainWindow::SetControlText(Control control, const Text& text) {
  if (ReadOutBox* box = ReadOut(control)) {
    box->SetStoredText(text);
  } else if (control == Control::Edit4) {
    inputBox_->setText(ToQString(text));
  } else {
    static_cast<QPushButton*>(ControlWidget(control))->setText(ToQString(text));
  }
}

void QtMainWindow::AppendControlText(Control control, const Text& text) {
  if (ReadOutBox* box = ReadOut(control)) {
    box->AppendStoredText(text);
  } else if (control == Control::Edit4) {
    inputBox_->end(false);
    inputBox_->InsertWithinLimit(ToQString(text));
  } else {
    auto* button = static_cast<QPushButton*>(ControlWidget(control));
    button->setText(button->text() + ToQString(text));
  }
}

void QtMainWindow::ShowMessage(const Text& text) {
  if (presenter_) presenter_(text);
}

void QtMainWindow::ProcessPendingEvents() {
  for (ReadOutBox* box : readOutBoxes_) box->BringUpToDate();
  QCoreApplication::processEvents();
}

void QtMainWindow::SetMessagePresenter(MessagePresenter presenter) {
  presenter_ = std::move(presenter);
}

void QtMainWindow::FitOuterGeometry() {
  const QWindow* window = windowHandle();
  const QMargins frame = window ? window->frameMargins() : QMargins();
  fittedMargins_ = frame;
  setFixedSize(kMainWindowLayout.outerWidth - frame.left() - frame.right(),
               kMainWindowLayout.outerHeight - frame.top() - frame.bottom());
  const QRect screenArea = screen()->geometry();
  // For a top-level widget, move() places the outer corner, frame included.
  move(screenArea.x() + (screenArea.width() - kMainWindowLayout.outerWidth) / 2,
       screenArea.y() + (screenArea.height() - kMainWindowLayout.outerHeight) / 2);
}

void QtMainWindow::showEvent(QShowEvent* event) {
  FitOuterGeometry();
  // A window manager reports the frame only once it has framed the window.
  if (QWindow* window = windowHandle()) window->installEventFilter(this);
  QWidget::showEvent(event);
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::Expose &&
      windowHandle()->frameMargins() != fittedMargins_) {
    FitOuterGeometry();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quarvel
