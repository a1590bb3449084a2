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
  // Inserts at the end and scrolls so that the last line shows. The widget itself catches
  // up later, in one step: see BringUpToDate.
  void AppendStoredText(const Text& text);
  // Puts the appended text that is not on screen yet into the widget, with the caret and
  // the view at its end. Runs by itself before the box is shown or painted and when events
  // are next processed; cheap when there is nothing to do.
  void BringUpToDate();

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  Text stored_;
  Text undisplayed_;  // a lead byte at the end of stored_, not yet complete
  Text unshown_;      // whole characters appended since the widget was last brought up to date
  bool updatePosted_ = false;  // a call of BringUpToDate waits in the event queue
};

}  // namespace quarvel
