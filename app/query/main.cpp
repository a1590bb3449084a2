// quarvel-query: what the Quarvel window shows, for terminals and scripts.
#include <iostream>
#include <string>
#include <vector>

#include "app/query/query_command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return quarvel::RunQuery(args, quarvel::CompiledDashboardProfile(), std::cout, std::cerr);
}
