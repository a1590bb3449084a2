// The single-line box the user types a port into. It holds at most a fixed number of bytes
// of code page 936 text, typed or pasted, and drops typed characters other than digits
// and "-". Pasted text is not filtered, only cut to whole characters that fit.
#pragma once

#include <QLineEdit>

namespace quarvel {

class InputBox : public QLineEdit {
 public:
  InputBox(int limitBytes, QWidget* parent);

  // Replaces the selection (or inserts at the caret) with text as a paste does: up to its
  // first line break, then as many whole characters as the byte limit leaves room for.
  void InsertWithinLimit(QString text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void PasteFromClipboard();
  int RoomInBytes() const;

  int limitBytes_;
};

}  // namespace quarvel
