// Random patterns over random subjects: every read after a Search is defined.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "script/regex_object.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool caseSensitive = input.Flag();
  const bool multiline = input.Flag();
  const bool global = input.Flag();
  const bool quoteMarkers = input.Flag();
  const std::string pattern = input.Piece();
  const std::string replacement = input.Piece();
  const std::string subject(input.Rest());

  RegexObject regex;
  const bool searched =
      regex.Search(pattern, subject, caseSensitive, multiline, global, quoteMarkers);
  const int count = regex.MatchCount();
  if (!searched && count != 0) abort();
  if (!global && count > 1) abort();
  regex.PatternText();
  regex.ReplaceText(replacement);
  for (int match = 0; match <= count + 1 && match < 8; ++match) {
    int position = 0;
    regex.MatchText(match, &position);
    for (int group = 0; group <= regex.SubmatchCount() + 1 && group < 8; ++group) {
      regex.SubmatchText(match, group, &position);
    }
  }
  RegexObject copy(regex);
  if (copy.MatchCount() != count) abort();
  return 0;
}
