// The demo frps dashboard (demo/dashboard.py) as a test fixture: started on a free loopback
// port when constructed, stopped when destroyed.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "app/dashboard_profile.h"

namespace quarvel::testing {

class DemoDashboard {
 public:
  // extraArgs go to dashboard.py as they are, such as {"--modern"} or {"--fail", "tcp"};
  // bodies replace the reply of an endpoint ("serverinfo", "tcp" or "udp") with a text.
  explicit DemoDashboard(const std::vector<std::string>& extraArgs = {},
                         const std::map<std::string, std::string>& bodies = {});
  ~DemoDashboard();
  DemoDashboard(const DemoDashboard&) = delete;
  DemoDashboard& operator=(const DemoDashboard&) = delete;

  // 0 when the server did not come up.
  int Port() const { return port_; }
  // The compiled-in profile, pointed at this server.
  DashboardProfile Profile() const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string portFile_;
  std::vector<std::string> bodyFiles_;
};

// A profile for 127.0.0.1 on a port where nothing listens.
DashboardProfile UnreachableProfile();

}  // namespace quarvel::testing
