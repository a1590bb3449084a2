// The request routine lets queued window messages run at a few fixed points. It reaches the
// GUI through this hook, which the application installs at start-up; without one the calls
// do nothing.
#pragma once

#include <functional>

namespace quarvel {

void SetPendingEventsHook(std::function<void()> hook);

// Runs every window event already queued for this thread, then returns.
void ProcessPendingEvents();

}  // namespace quarvel
