// A disabled multi-line box that only the program writes into. It keeps the code page 936
// text exactly as written (CR LF included) and shows it converted.
#pragma once

#include <QPlainTextEdit>

#include "http/text.h"

namespace quarvel {

class ReadOutBox : public QPlainTextEdit {
 public:
  ReadOutBox(bool verticalScrollBar, QWidget* parent);

  const Text& StoredText() const { return stored_; }
  void SetStoredText(const Text& text);
  // Inserts at the end and scrolls so that the last line shows.
  void AppendStoredText(const Text& text);

 private:
  Text stored_;
  Text undisplayed_;  // a lead byte at the end of stored_, not yet on screen
};

}  // namespace quarvel
