// quarvel-query: the start-up views and the port check of the window, on a terminal.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/dashboard_profile.h"

namespace quarvel {

// Exit statuses of a port question.
inline constexpr int kExitPortFree = 0;
inline constexpr int kExitPortTaken = 1;
inline constexpr int kExitFailed = 2;  // bad input, or the data could not be fetched

// Runs the command line args (without the program name) against the dashboard of profile,
// writing answers to out and complaints to err. Returns the exit status.
int RunQuery(const std::vector<std::string>& args, const DashboardProfile& profile,
             std::ostream& out, std::ostream& err);

}  // namespace quarvel
