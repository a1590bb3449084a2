#include "tests/app/demo_dashboard.h"

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace quarvel::testing {

namespace {

std::string TempPath(const std::string& stem) {
  static int counter = 0;
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/quarvel-" + stem + "-" + std::to_string(getpid()) +
         "-" + std::to_string(++counter);
}

}  // namespace

DemoDashboard::DemoDashboard(const std::vector<std::string>& extraArgs,
                             const std::map<std::string, std::string>& bodies)
    : portFile_(TempPath("port")) {
  std::vector<std::string> args{
      QUARVEL_PYTHON, QUARVEL_DEMO_DASHBOARD, "--port", "0", "--port-file", portFile_,
      "--cert-dir",   QUARVEL_TEST_CERT_DIR};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  for (const auto& [endpoint, body] : bodies) {
    bodyFiles_.push_back(TempPath("body"));
    std::ofstream(bodyFiles_.back(), std::ios::binary) << body;
    args.insert(args.end(), {"--body", endpoint + "=" + bodyFiles_.back()});
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
    return;
  }
  // The first start also makes the certificate, which takes openssl a moment.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::ifstream in(portFile_); in >> port_) return;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

DemoDashboard::~DemoDashboard() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::remove(portFile_.c_str());
  for (const std::string& file : bodyFiles_) std::remove(file.c_str());
}

DashboardProfile DemoDashboard::Profile() const {
  // Tests talk to loopback only, whatever host the build was configured for.
  DashboardProfile profile = CompiledDashboardProfile();
  profile.host = "127.0.0.1";
  profile.port = port_;
  return profile;
}

DashboardProfile UnreachableProfile() {
  // A port the kernel just handed out and took back: nothing listens there.
  int port = 1;
  if (const int fd = socket(AF_INET, SOCK_STREAM, 0); fd >= 0) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port = ntohs(address.sin_port);
    }
    close(fd);
  }
  DashboardProfile profile = CompiledDashboardProfile();
  profile.host = "127.0.0.1";
  profile.port = port;
  return profile;
}

}  // namespace quarvel::testing
