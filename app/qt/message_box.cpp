#include "app/qt/message_box.h"

#include <QMessageBox>

#include "app/qt/qt_text.h"
#include "app/window_layout.h"

namespace quarvel {

void ShowInformationBox(const Text& text) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(Text(kMessageTitle)), ToQString(text),
                  QMessageBox::Ok, nullptr);
  // The echoed input must never be taken for markup.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace quarvel
