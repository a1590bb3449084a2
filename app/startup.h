// What happens between creating the main window and showing it.
#pragma once

#include "app/main_window.h"

namespace quarvel {

// Runs while the window is still hidden: fills the three read-out boxes.
void OnMainWindowCreated(MainWindow& window);

}  // namespace quarvel
