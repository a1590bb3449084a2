// The Qt main window, driven as a user would: a real window on Qt's offscreen platform.
#include "app/qt/qt_main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>
#include <memory>
#include <vector>

#include "app/window_layout.h"

namespace quarvel {
namespace {

const Text kInputError =
    "\xca\xe4\xc8\xeb\xd3\xd0\xce\xf3,"
    "\xc7\xeb\xd6\xd8\xd0\xc2\xca\xe4\xc8\xeb";                      // 输入有误,请重新输入
const Text kTaken = " \xb6\xcb\xbf\xda\xd2\xd1\xd5\xbc\xd3\xc3";     //  端口已占用
const Text kFree = " \xb6\xcb\xbf\xda\xbf\xc9\xd3\xc3";              //  端口可用
const Text kTcpHeading = "TCP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n";  // TCP在用端口
const Text kUdpHeading = "UDP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n";  // UDP在用端口

class QtMainWindowTest : public ::testing::Test {
 protected:
  QtMainWindowTest() {
    window.SetMessagePresenter([this](const Text& text) { messages.push_back(text); });
  }

  QLineEdit* Input() const { return static_cast<QLineEdit*>(window.ControlWidget(Control::Edit4)); }
  QPlainTextEdit* Box(Control control) const {
    return static_cast<QPlainTextEdit*>(window.ControlWidget(control));
  }
  void ShowAndWait() {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  void Paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(Input(), Qt::Key_V, Qt::ControlModifier);
  }

  QtMainWindow window;
  std::vector<Text> messages;
};

TEST_F(QtMainWindowTest, ControlsSitWhereTheLayoutPutsThem) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Quarvel"));
  EXPECT_FALSE(window.isVisible()) << "created hidden";
  for (const ControlLayout& layout : kControlLayouts) {
    QWidget* widget = window.ControlWidget(layout.control);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName().toStdString(), layout.objectName);
    EXPECT_EQ(widget->geometry(), QRect(layout.left, layout.top, layout.width, layout.height))
        << layout.objectName;
    EXPECT_EQ(window.findChild<QWidget*>(widget->objectName()), widget);
  }
  EXPECT_EQ(window.ControlText(Control::ButtonTcp), "TCP\xb2\xe9\xd1\xaf");  // TCP查询
  EXPECT_EQ(window.ControlText(Control::ButtonUdp), "UDP\xb2\xe9\xd1\xaf");  // UDP查询
  EXPECT_EQ(static_cast<QPushButton*>(window.ControlWidget(Control::ButtonTcp))->text(),
            QStringLiteral("TCP查询"));
  EXPECT_EQ(window.font().family(), QApplication::font().family());
  EXPECT_EQ(window.palette().color(QPalette::Window), window.palette().color(QPalette::Button));
}

TEST_F(QtMainWindowTest, OpensCentredWithTheFixedOuterSize) {
  ShowAndWait();
  const QRect outer = window.frameGeometry();
  EXPECT_EQ(outer.size(), QSize(291, 432));
  const QRect screen = window.screen()->geometry();
  EXPECT_EQ(outer.topLeft(), QPoint(screen.x() + (screen.width() - 291) / 2,
                                    screen.y() + (screen.height() - 432) / 2));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "not resizable";
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
}

TEST_F(QtMainWindowTest, ReadOutBoxesAreDisabledButDrawnBlackOnWhite) {
  for (Control control : {Control::Edit1, Control::Edit2, Control::Edit3}) {
    QPlainTextEdit* box = Box(control);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(box->verticalScrollBarPolicy(),
              control == Control::Edit1 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
  }
  EXPECT_TRUE(Input()->isEnabled());
  EXPECT_EQ(Input()->alignment(), Qt::AlignCenter);
  for (Control control : {Control::ButtonTcp, Control::ButtonUdp}) {
    auto* button = static_cast<QPushButton*>(window.ControlWidget(control));
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
  ShowAndWait();
  QTest::mouseClick(Box(Control::Edit2)->viewport(), Qt::LeftButton);
  EXPECT_FALSE(Box(Control::Edit2)->hasFocus());
  EXPECT_EQ(Input()->nextInFocusChain(), window.ControlWidget(Control::ButtonTcp));
  EXPECT_EQ(window.ControlWidget(Control::ButtonTcp)->nextInFocusChain(),
            window.ControlWidget(Control::ButtonUdp));
}

TEST_F(QtMainWindowTest, ReadOutBoxesGiveBackExactlyTheBytesWritten) {
  const Text heading = "        \xb7\xfe\xce\xf1\xc6\xf7\xd0\xc5\xcf\xa2 \r\n\r\n";  // 服务器信息
  window.AppendControlText(Control::Edit1, heading);
  window.AppendControlText(Control::Edit1, "version : 0.29.0\r");
  window.AppendControlText(Control::Edit1, "\nbind_port : 7000");
  EXPECT_EQ(window.ControlText(Control::Edit1), heading + "version : 0.29.0\r\nbind_port : 7000");
  ShowAndWait();
  EXPECT_EQ(Box(Control::Edit1)->toPlainText(),
            QStringLiteral("        服务器信息 \n\nversion : 0.29.0\nbind_port : 7000"));

  const Text failure = "\xca\xfd\xbe\xdd\xbb\xf1\xc8\xa1\xca\xa7\xb0\xdc";  // 数据获取失败
  window.SetControlText(Control::Edit1, failure);
  EXPECT_EQ(window.ControlText(Control::Edit1), failure);
  EXPECT_EQ(Box(Control::Edit1)->toPlainText(), QStringLiteral("数据获取失败"));
  window.AppendControlText(Control::Edit1, "\r\nmore");
  EXPECT_EQ(window.ControlText(Control::Edit1), failure + "\r\nmore");
  window.ProcessPendingEvents();
  EXPECT_EQ(Box(Control::Edit1)->toPlainText(), QStringLiteral("数据获取失败\nmore"));
  EXPECT_TRUE(Box(Control::Edit1)->textCursor().atEnd());

  // A two-byte character may arrive in two appends.
  window.AppendControlText(Control::Edit3, "UDP\xd4");
  window.ProcessPendingEvents();
  EXPECT_EQ(Box(Control::Edit3)->toPlainText(), QStringLiteral("UDP"));
  window.AppendControlText(Control::Edit3, "\xda");
  EXPECT_EQ(window.ControlText(Control::Edit3), "UDP\xd4\xda");
  window.ProcessPendingEvents();
  EXPECT_EQ(Box(Control::Edit3)->toPlainText(), QStringLiteral("UDP在"));
}

TEST_F(QtMainWindowTest, LongListShowsItsLastLinesAndCannotBeScrolledBack) {
  window.AppendControlText(Control::Edit2, kTcpHeading);
  for (int port = 20000; port < 20100; ++port) {
    window.AppendControlText(Control::Edit2, std::to_string(port) + "\r\n");
  }
  ShowAndWait();
  QPlainTextEdit* box = Box(Control::Edit2);
  QScrollBar* bar = box->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_GT(box->textCursor().position(), 0);
  EXPECT_TRUE(box->textCursor().atEnd()) << "the caret follows the appends";

  QWheelEvent wheel(QPointF(10, 10), box->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(box->viewport(), &wheel);
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(QtMainWindowTest, AppendsToAShownBoxReachTheScreenWithItsLastLineInView) {
  ShowAndWait();
  QPlainTextEdit* box = Box(Control::Edit3);
  QScrollBar* bar = box->verticalScrollBar();
  window.AppendControlText(Control::Edit3, kUdpHeading);
  for (int port = 30000; port < 30040; ++port) {
    window.AppendControlText(Control::Edit3, std::to_string(port) + "\r\n");
  }
  // Painted before the queued update has run, as a direct render does.
  box->grab();
  EXPECT_TRUE(box->toPlainText().endsWith(QStringLiteral("30039\n")));
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());

  window.AppendControlText(Control::Edit3, "31000\r\n");
  QTest::qWait(0);
  EXPECT_TRUE(box->toPlainText().endsWith(QStringLiteral("30039\n31000\n")));
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(box->textCursor().atEnd());
  const QRect lastLine = box->cursorRect(box->textCursor());
  EXPECT_LE(lastLine.bottom(), box->viewport()->height());
}

TEST_F(QtMainWindowTest, ServerInfoShowsAllNineLinesAndCaptionsFitTheirButtons) {
  window.AppendControlText(
      Control::Edit1,
      "        \xb7\xfe\xce\xf1\xc6\xf7\xd0\xc5\xcf\xa2 \r\n\r\n");  // 服务器信息
  for (const char* line :
       {"version : 0.31.2\r\n", "bind_port : 7000\r\n", "bind_udp_port : 7001\r\n",
        "vhost_http_port : 80\r\n", "vhost_https_port : 443\r\n", "kcp_bind_port : 7000\r\n",
        "subdomain_host : frps.example.net"}) {
    window.AppendControlText(Control::Edit1, line);
  }
  ShowAndWait();
  QPlainTextEdit* box = Box(Control::Edit1);
  EXPECT_EQ(box->document()->blockCount(), 9);
  EXPECT_EQ(box->document()->lineCount(), 9) << "no line wraps";
  EXPECT_EQ(box->verticalScrollBar()->maximum(), 0) << "nothing scrolled out of view";
  QTextCursor first(box->document());
  QTextCursor last(box->document());
  last.movePosition(QTextCursor::End);
  EXPECT_GE(box->cursorRect(first).top(), 0) << "heading in view";
  EXPECT_LE(box->cursorRect(last).bottom(), box->viewport()->height()) << "last line in view";

  for (Control control : {Control::ButtonTcp, Control::ButtonUdp}) {
    auto* button = static_cast<QPushButton*>(window.ControlWidget(control));
    const QRect caption = button->fontMetrics().boundingRect(button->text());
    EXPECT_LT(caption.width(), button->width() - 8) << button->text().toStdString();
    EXPECT_LT(caption.height(), button->height() - 8) << button->text().toStdString();
  }
}

TEST_F(QtMainWindowTest, TypedCharactersOtherThanDigitsAndMinusAreDropped) {
  QTest::keyClicks(Input(), "1a.2 Z-3");
  EXPECT_EQ(window.ControlText(Control::Edit4), "12-3");
  QTest::keyClick(Input(), Qt::Key_Backspace);
  EXPECT_EQ(window.ControlText(Control::Edit4), "12-");
}

TEST_F(QtMainWindowTest, SeventhTypedCharacterIsRefused) {
  QTest::keyClicks(Input(), "1234567");
  EXPECT_EQ(window.ControlText(Control::Edit4), "123456");
  // With part of the text selected, typing replaces it.
  QTest::keyClick(Input(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Input(), "9");
  EXPECT_EQ(window.ControlText(Control::Edit4), "9");
}

TEST_F(QtMainWindowTest, PasteIsUnfilteredButCutToWholeCharactersWithinSixBytes) {
  struct Case {
    QString before;
    QString pasted;
    Text expected;
  } cases[] = {
      {"", "ab12cd", "ab12cd"},
      {"", "ab12cde", "ab12cd"},
      {"", QStringLiteral("端口已占"), "\xb6\xcb\xbf\xda\xd2\xd1"},  // 端口已
      {"1", QStringLiteral("端口已"), "1\xb6\xcb\xbf\xda"},          // 1端口
      {"123456", "7", "123456"},
      {"", "12\r\n34", "12"},
  };
  for (const Case& c : cases) {
    Input()->setText(c.before);
    Paste(c.pasted);
    EXPECT_EQ(window.ControlText(Control::Edit4), c.expected) << c.pasted.toStdString();
  }
  // The paste replaces a selection, which frees its bytes.
  Input()->setText("123456");
  Input()->setSelection(0, 4);
  Paste(QStringLiteral("端口已"));
  EXPECT_EQ(window.ControlText(Control::Edit4),
            "\xb6\xcb\xbf\xda"
            "56");  // 端口56
}

TEST_F(QtMainWindowTest, ContextMenuPasteKeepsTheLimit) {
  ShowAndWait();
  QGuiApplication::clipboard()->setText(QStringLiteral("端口已占"));
  bool pasted = false;
  QTimer::singleShot(0, [&pasted] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) {
      if (action->text().startsWith(QLineEdit::tr("&Paste"))) {
        action->trigger();
        pasted = true;
      }
    }
    menu->close();
  });
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                              Input()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(Input(), &menuEvent);
  EXPECT_TRUE(pasted);
  EXPECT_EQ(window.ControlText(Control::Edit4), "\xb6\xcb\xbf\xda\xd2\xd1");  // 端口已
}

TEST_F(QtMainWindowTest, CheckButtonsAnswerFromTheirOwnLists) {
  window.AppendControlText(Control::Edit2, kTcpHeading);
  window.AppendControlText(Control::Edit2, "27500\r\n");
  window.AppendControlText(Control::Edit3, kUdpHeading);
  window.AppendControlText(Control::Edit3, "30000\r\n");
  ShowAndWait();
  auto click = [this](Control button) {
    QTest::mouseClick(window.ControlWidget(button), Qt::LeftButton);
  };

  QTest::keyClicks(Input(), "8080");
  click(Control::ButtonTcp);
  Input()->clear();
  QTest::keyClicks(Input(), "27500");
  click(Control::ButtonTcp);
  click(Control::ButtonUdp);
  Input()->clear();
  Paste(QStringLiteral("TCP在"));
  click(Control::ButtonTcp);
  click(Control::ButtonUdp);

  const Text tcpIn = "TCP\xd4\xda";  // TCP在
  EXPECT_EQ(messages, (std::vector<Text>{kInputError, "27500" + kTaken, "27500" + kFree,
                                         tcpIn + kTaken, tcpIn + kFree}));
}

TEST_F(QtMainWindowTest, MessageBoxIsTitledInformationWithOnlyOk) {
  window.SetMessagePresenter(nullptr);
  QtMainWindow real;  // keeps the default presenter
  ShowAndWait();
  bool inspected = false;
  QTimer::singleShot(0, [&inspected] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    inspected = true;
    EXPECT_EQ(box->windowTitle(), QStringLiteral("信息："));
    EXPECT_EQ(box->text(), QStringLiteral("27500 端口可用<b>"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    box->button(QMessageBox::Ok)->click();
  });
  real.ShowMessage("27500" + kFree + "<b>");
  EXPECT_TRUE(inspected);
}

TEST_F(QtMainWindowTest, ClosingTheWindowEndsTheEventLoop) {
  ShowAndWait();
  QTimer::singleShot(0, &window, [this] { window.close(); });
  // Only a safety net against a loop that would otherwise never end.
  QTimer stuck;
  stuck.setSingleShot(true);
  QObject::connect(&stuck, &QTimer::timeout, [] { QApplication::exit(1); });
  stuck.start(10000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(QtMainWindowTest, ProcessPendingEventsRunsWhatIsQueued) {
  bool ran = false;
  QMetaObject::invokeMethod(
      qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
  window.ProcessPendingEvents();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace quarvel
