// Header assembly and name normalisation over arbitrary blocks and cookie texts.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "http/header_assembly.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const int method = input.Int(-1);
  const bool complete = input.Flag();
  const bool normalize = input.Flag();
  const std::string cookies = input.Piece();
  const std::string headers(input.Rest());

  BuildRequestHeaders(headers, method, cookies, complete, normalize);
  const Text normalized = NormalizeHeaderNames(headers);
  // Normalising is idempotent and never makes the block longer.
  if (NormalizeHeaderNames(normalized) != normalized) abort();
  if (normalized.size() > headers.size() + 2) abort();
  const Text capital = CapitalizeFirst(headers);
  if (capital.size() != headers.size()) abort();
  return 0;
}
