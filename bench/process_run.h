// Runs a child process to completion and reports what it cost.
#pragma once

#include <string>
#include <vector>

namespace quarvel::bench {

struct ProcessCost {
  int exitStatus = -1;    // -1 when it could not be started or did not exit normally
  long peakMemoryKb = 0;  // the child's peak resident set
};

// Runs argv[0] with argv, its output thrown away.
ProcessCost RunProcess(const std::vector<std::string>& argv);

}  // namespace quarvel::bench
