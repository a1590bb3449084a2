// For peak-memory measurements: json_ports_driver --write COUNT FILE writes a generated
// reply; json_ports_driver FILE fills the port list from it and prints the line count.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/frps_reply.h"
#include "bench/port_list_fill.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write") == 0) {
    std::ofstream(argv[3], std::ios::binary) << quarvel::bench::FrpsProxyReply(std::atoi(argv[2]));
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: json_ports_driver [--write COUNT] FILE\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string reply((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string lines = quarvel::bench::FillPortList(reply);
  size_t count = 0;
  for (size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + 1))
    ++count;
  std::printf("%zu lines\n", count);
  return 0;
}
