#include "http/cookies.h"

#include <algorithm>
#include <vector>

#include "http/text_search.h"

namespace quarvel {
namespace {

constexpr std::string_view kIdeographicSpace = "\xa1\xa1";  // 　
constexpr std::string_view kDeletedSuffix = "=deleted";
constexpr std::string_view kJoiner = "; ";

size_t CharacterLength(std::string_view text, size_t at) {
  return (IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}

bool IsSpace(std::string_view character) {
  return character == " " || character == kIdeographicSpace;
}

// text without its spaces; A1 A1 counts only where it is one whole character.
Text WithoutSpaces(std::string_view text) {
  Text result;
  result.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const std::string_view character = text.substr(at, CharacterLength(text, at));
    if (!IsSpace(character)) result += character;
    at += character.size();
  }
  return result;
}

// Items between separators. An empty stretch between two separators is an item; an empty
// remainder after the last one is not.
std::vector<std::string_view> SplitItems(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> items;
  size_t from = 0;
  while (from < text.size()) {
    const size_t at = text.find(separator, from);
    if (at == std::string_view::npos || separator.empty()) break;
    items.push_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  if (from < text.size()) items.push_back(text.substr(from));
  return items;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

Text CookieName(std::string_view piece) {
  const size_t equals = piece.find('=');
  const std::string_view name = piece.substr(0, equals);

  // Character starts, so the trim from the right never splits a two-byte character.
  std::vector<size_t> starts;
  for (size_t at = 0; at < name.size(); at += CharacterLength(name, at)) starts.push_back(at);
  starts.push_back(name.size());

  size_t first = 0;
  size_t last = starts.size() - 1;  // index of the end of the kept characters
  auto character = [&](size_t i) { return name.substr(starts[i], starts[i + 1] - starts[i]); };
  while (first < last && IsSpace(character(first))) ++first;
  while (last > first && IsSpace(character(last - 1))) --last;
  return Text(name.substr(starts[first], starts[last] - starts[first]));
}

Text RemoveDuplicateItems(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> seen;
  Text result;
  for (std::string_view item : SplitItems(text, separator)) {
    if (std::find(seen.begin(), seen.end(), item) != seen.end()) continue;
    seen.push_back(item);
    result += item;
    result += separator;
  }
  if (!result.empty()) result.resize(result.size() - separator.size());
  return result;
}

Text MergeCookies(Text& held, Text& received) {
  held = WithoutSpaces(held);
  received = WithoutSpaces(received);

  std::vector<Text> working;
  for (std::string_view piece : SplitItems(received, ";")) working.emplace_back(piece);
  for (std::string_view piece : SplitItems(held, ";")) {
    const Text name = CookieName(piece);
    const bool shadowed = std::any_of(working.begin(), working.end(),
                                      [&](const Text& kept) { return CookieName(kept) == name; });
    if (!shadowed) working.emplace_back(piece);
  }

  Text merged;
  for (const Text& piece : working) {
    if (EndsWith(piece, kDeletedSuffix)) continue;
    merged += piece;
    merged += kJoiner;
  }
  if (!merged.empty()) merged.resize(merged.size() - kJoiner.size());

  held = RemoveDuplicateItems(merged, kJoiner);
  return held;
}

}  // namespace quarvel
