// What happens between creating the main window and showing it.
#pragma once

#include "app/dashboard_profile.h"
#include "app/main_window.h"

namespace quarvel {

// Runs while the window is still hidden: fills the three read-out boxes from the dashboard
// this build was configured for.
void OnMainWindowCreated(MainWindow& window);

// The same from the dashboard of profile.
void OnMainWindowCreated(MainWindow& window, const DashboardProfile& profile);

}  // namespace quarvel
