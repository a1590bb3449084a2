// Cookie merging over arbitrary held and received texts.
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
  // Removing duplicates twice changes nothing more.
  if (!separator.empty() && RemoveDuplicateItems(unique, separator) != unique) abort();

  const Text merged = MergeCookies(held, received);
  if (merged != held) abort();
  if (merged.find(' ') != Text::npos && merged.find("; ") == Text::npos) abort();
  Text again = merged;
  Text none;
  // Merging the result with nothing keeps it.
  if (MergeCookies(again, none) != merged) abort();
  CookieName(received);
  return 0;
}
