#include "bench/process_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quarvel::bench {

ProcessCost RunProcess(const std::vector<std::string>& argv) {
  std::vector<std::string> args = argv;
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  ProcessCost cost;
  if (posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status)) {
      cost.exitStatus = WEXITSTATUS(status);
      cost.peakMemoryKb = usage.ru_maxrss;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return cost;
}

}  // namespace quarvel::bench
