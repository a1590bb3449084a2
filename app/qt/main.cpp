// quarvel: the window that tells which remote ports the frp server hands out.
#include <QApplication>

#include "app/qt/qt_main_window.h"
#include "app/startup.h"
#include "http/pending_events.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  quarvel::QtMainWindow window;  // hidden until it is filled
  quarvel::SetPendingEventsHook([&window] { window.ProcessPendingEvents(); });
  quarvel::OnMainWindowCreated(window);
  window.show();                            // centred by the window itself
  const int status = QApplication::exec();  // closing the only window quits
  quarvel::SetPendingEventsHook(nullptr);
  return status;
}
