// The text routines with random texts, markers and start positions: no read outside the
// text, and results that are pieces of it.
#include <cstdlib>

#include "app/find_text.h"
#include "fuzz/fuzz_input.h"
#include "http/text_extract.h"
#include "http/text_search.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const int start = input.Int(-4);
  const bool ignoreCase = input.Flag();
  const std::string marker = input.Piece();
  const std::string right = input.Piece();
  const std::string text(input.Rest());

  const int forward = ForwardSearch(text, marker, start, ignoreCase);
  if (forward != -1 && (forward < 1 || static_cast<size_t>(forward) > text.size())) abort();
  const int backward = BackwardSearch(text, marker, start, ignoreCase);
  if (backward != -1 && static_cast<size_t>(backward - 1) + marker.size() > text.size()) abort();
  if (BackwardSearch(text, marker, std::nullopt, ignoreCase) < backward) abort();

  const Text before = TextBefore(text, marker, start, ignoreCase);
  if (text.compare(0, before.size(), before) != 0) abort();
  const Text after = TextAfterLast(text, marker, start, ignoreCase);
  if (after.size() > text.size() || text.compare(text.size() - after.size(), after.size(), after))
    abort();
  const Text between = TextBetween(text, marker, right, start, ignoreCase);
  if (!between.empty() && text.find(between) == std::string::npos) abort();
  HeaderValue(text, marker);
  ReplaceAll(text, marker, right);

  const int found = FindTextFrom(text, marker, start, ignoreCase);
  if (found != -1 && (found < 1 || static_cast<size_t>(found) > text.size())) abort();
  return 0;
}
