#include "app/qt/read_out_box.h"

#include <QScrollBar>
#include <QTextCursor>

#include "app/qt/qt_text.h"

namespace quarvel {
namespace {

constexpr int kTextMargin = 2;

// The box holds C strings: a NUL ends the text.
Text UpToNul(const Text& text) {
  return text.substr(0, text.find('\0'));
}

// A line ends with CR LF in the stored text but with LF alone on screen, where a CR would
// start a paragraph of its own. Dropping every CR keeps appends that split a CR LF right.
QString DisplayForm(const Text& text) {
  QString shown = ToQString(text);
  shown.remove(QLatin1Char('\r'));
  return shown;
}

// How many leading bytes of text are whole code page 936 characters: a last lead byte whose
// trail byte has not arrived yet is left out.
size_t WholeCharacterBytes(const Text& text) {
  size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const size_t width = (byte >= 0x81 && byte <= 0xfe) ? 2 : 1;
    if (at + width > text.size()) break;
    at += width;
  }
  return at;
}

}  // namespace

ReadOutBox::ReadOutBox(bool verticalScrollBar, QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setVerticalScrollBarPolicy(verticalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  // Text starts close to the border, as in a standard edit control: Qt's usual margin of 4
  // pixels each side would leave nine lines of 13 pixels no room in 编辑框1.
  document()->setDocumentMargin(kTextMargin);
  // Written once at start-up and never edited: an undo history would only cost memory.
  setUndoRedoEnabled(false);
  setReadOnly(true);
  setEnabled(false);

  // Disabled, yet drawn black on white like the enabled boxes.
  QPalette colours = palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Text, Qt::black);
    colours.setColor(group, QPalette::Base, Qt::white);
  }
  setPalette(colours);
}

void ReadOutBox::SetStoredText(const Text& text) {
  stored_ = UpToNul(text);
  const size_t shown = WholeCharacterBytes(stored_);
  undisplayed_ = stored_.substr(shown);
  unshown_.clear();
  setPlainText(DisplayForm(stored_.substr(0, shown)));
  moveCursor(QTextCursor::End);
}

void ReadOutBox::AppendStoredText(const Text& text) {
  const Text added = UpToNul(text);
  stored_ += added;
  // A two-byte character split between two appends is shown once both halves are in.
  const Text pending = undisplayed_ + added;
  const size_t shown = WholeCharacterBytes(pending);
  undisplayed_ = pending.substr(shown);
  unshown_.append(pending, 0, shown);
  // Start-up appends one line per proxy: inserting each into the document on its own would
  // cost a document change and a scroll bar update every time.
  if (!updatePosted_ && !unshown_.empty()) {
    updatePosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          updatePosted_ = false;
          BringUpToDate();
        },
        Qt::QueuedConnection);
  }
}

void ReadOutBox::BringUpToDate() {
  if (unshown_.empty()) return;
  const QString added = DisplayForm(unshown_);
  unshown_.clear();
  if (document()->isEmpty()) {
    setPlainText(added);
  } else {
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(added);
  }
  moveCursor(QTextCursor::End);
  // A disabled box does not follow its caret by itself.
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->maximum());
}

void ReadOutBox::showEvent(QShowEvent* event) {
  BringUpToDate();
  QPlainTextEdit::showEvent(event);
}

void ReadOutBox::paintEvent(QPaintEvent* event) {
  // Normally done already; a direct render such as grab() may come first.
  BringUpToDate();
  QPlainTextEdit::paintEvent(event);
}

}  // namespace quarvel
