// Cookie merging over arbitrary held and received texts.
#include <algorithm>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "http/cookies.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string separator = input.Piece();
  Text held = input.Piece();
  Text received(input.Rest());

  const Text list = held + separator + received;
  const Text unique = RemoveDuplicateItems(list, separator);
  if (unique.size() > list.size()) abort();
  const Text merged = MergeCookies(held, received);
  if (merged != held) abort();
  // No deleting piece survives, and the only spaces are those of the separators (a space
  // right after a lead byte is the second half of a character and stays).
  const bool ascii = std::all_of(merged.begin(), merged.end(), [](char c) { return c >= 0; });
  for (size_t at = 0; ascii && at <= merged.size();) {
    size_t end = merged.find("; ", at);
    if (end == Text::npos) end = merged.size();
    const std::string_view piece(merged.data() + at, end - at);
    if (piece.ends_with("=deleted") || piece.find(' ') != std::string_view::npos) abort();
    at = end + 2;
  }
  CookieName(received);
  return 0;
}
