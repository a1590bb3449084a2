#include "app/qt/input_box.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <memory>

#include "app/qt/qt_text.h"

namespace quarvel {
namespace {

bool IsPrintable(QChar ch) {
  return ch.unicode() >= 0x20 && ch.unicode() != 0x7f;
}

bool IsPortCharacter(QChar ch) {
  return (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('-');
}

// The longest prefix of text made of whole characters that takes at most room bytes.
QString CutToBytes(const QString& text, int room) {
  qsizetype end = 0;
  int used = 0;
  while (end < text.size()) {
    const qsizetype width = (text[end].isHighSurrogate() && end + 1 < text.size()) ? 2 : 1;
    const int bytes = CodePageLength(QStringView(text).mid(end, width));
    if (used + bytes > room) break;
    used += bytes;
    end += width;
  }
  return text.left(end);
}

// The Paste item of the standard context menu. Newer Qt versions name it; in the older ones
// only its caption, translated in the line edit's context, tells it apart.
QAction* FindPasteAction(const QMenu& menu) {
  const QString caption = QLineEdit::tr("&Paste");
  for (QAction* action : menu.actions()) {
    if (action->objectName() == QLatin1String("edit-paste") ||
        action->text().section(QLatin1Char('\t'), 0, 0) == caption) {
      return action;
    }
  }
  return nullptr;
}

}  // namespace

InputBox::InputBox(int limitBytes, QWidget* parent) : QLineEdit(parent), limitBytes_(limitBytes) {
  setAlignment(Qt::AlignCenter);
  setAcceptDrops(false);
  // Composed characters would all be dropped by the filter anyway.
  setAttribute(Qt::WA_InputMethodEnabled, false);
}

int InputBox::RoomInBytes() const {
  return limitBytes_ - CodePageLength(text()) + CodePageLength(selectedText());
}

void InputBox::InsertWithinLimit(QString text) {
  // A single-line box takes a pasted text up to its first line break.
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
      text.truncate(i);
      break;
    }
  }
  const QString fitting = CutToBytes(text, RoomInBytes());
  if (!fitting.isEmpty() || hasSelectedText()) insert(fitting);
}

void InputBox::PasteFromClipboard() {
  InsertWithinLimit(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
}

void InputBox::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    PasteFromClipboard();
    event->accept();
    return;
  }
  const bool shortcut =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const QString typed = event->text();
  if (!shortcut && !typed.isEmpty() && IsPrintable(typed.front())) {
    QString kept;
    for (const QChar ch : typed) {
      if (IsPortCharacter(ch)) kept += ch;
    }
    event->accept();
    // Every kept character is one byte; a character that does not fit is refused whole.
    if (kept.isEmpty() || kept.size() > RoomInBytes()) return;
    if (kept == typed) {
      QLineEdit::keyPressEvent(event);
    } else {
      insert(kept);
    }
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void InputBox::mouseReleaseEvent(QMouseEvent* event) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
    InsertWithinLimit(clipboard->text(QClipboard::Selection));
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void InputBox::contextMenuEvent(QContextMenuEvent* event) {
  const std::unique_ptr<QMenu> menu(createStandardContextMenu());
  // The standard Paste would bypass the byte limit.
  if (QAction* paste = FindPasteAction(*menu)) {
    QObject::disconnect(paste, &QAction::triggered, nullptr, nullptr);
    QObject::connect(paste, &QAction::triggered, this, [this] { PasteFromClipboard(); });
  }
  menu->exec(event->globalPos());
}

}  // namespace quarvel
