// quarvel-query with the dashboard on 127.0.0.1 at the port given first, for tests and
// benchmarks: quarvel_query_driver PORT [quarvel-query arguments...]
#include <iostream>
#include <string>
#include <vector>

#include "app/query/query_command.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: quarvel_query_driver PORT [ARGS...]\n";
    return 64;
  }
  quarvel::DashboardProfile profile = quarvel::CompiledDashboardProfile();
  profile.host = "127.0.0.1";
  profile.port = std::stoi(argv[1]);
  const std::vector<std::string> args(argv + 2, argv + argc);
  return quarvel::RunQuery(args, profile, std::cout, std::cerr);
}
