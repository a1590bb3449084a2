// A regular-expression object: one Search keeps its matches, later calls read them.
#pragma once

#include <memory>

#include "http/text.h"

namespace quarvel {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject&) = delete;

  // Runs pattern over subject and keeps the matches. Answers false when the pattern is
  // rejected. quoteMarkers turns each "#引号" of the pattern into a double quote.
  bool Search(const Text& pattern, const Text& subject, bool caseSensitive = false,
              bool multiline = true, bool global = true, bool quoteMarkers = false);

  Text PatternText() const;
  // The subject with the matches replaced; $1..$99, $&, $`, $' and $$ refer to the match.
  Text ReplaceText(const Text& replacement) const;
  int MatchCount() const;
  // Indexes are 1-based. position, when given, receives the 0-based byte position in the
  // subject (-2 when it cannot be found).
  Text MatchText(int match, int* position = nullptr) const;
  Text SubmatchText(int match, int group, int* position = nullptr) const;
  // The number of groups of the first match; 0 without a match.
  int SubmatchCount() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quarvel
