#include "http/text_search.h"

#include <algorithm>

namespace quarvel {
namespace {

unsigned char FoldAscii(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 32) : byte;
}

bool MatchesAt(std::string_view text, size_t at, std::string_view marker, bool ignoreCase) {
  for (size_t i = 0; i < marker.size(); ++i) {
    auto a = static_cast<unsigned char>(text[at + i]);
    auto b = static_cast<unsigned char>(marker[i]);
    if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
  }
  return true;
}

size_t NextCharacter(std::string_view text, size_t at) {
  return at + (IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1);
}

}  // namespace

int ForwardSearch(std::string_view text, std::string_view marker, int start, bool ignoreCase) {
  const size_t skip = static_cast<size_t>(std::max(start - 1, 0));
  if (skip >= text.size()) return -1;
  if (marker.empty()) return 1;
  for (size_t at = skip; at + marker.size() <= text.size(); at = NextCharacter(text, at)) {
    if (MatchesAt(text, at, marker, ignoreCase)) return static_cast<int>(at + 1);
  }
  return -1;
}

int BackwardSearch(std::string_view text, std::string_view marker, std::optional<int> start,
                   bool ignoreCase) {
  size_t limit = text.size();
  if (start) {
    if (*start - 1 <= 0) return -1;
    limit = std::min(limit, static_cast<size_t>(*start - 1));
  }
  if (marker.empty()) return (limit > 0 && !text.empty()) ? 1 : -1;
  int found = -1;
  for (size_t at = 0; at + marker.size() <= limit; at = NextCharacter(text, at)) {
    if (MatchesAt(text, at, marker, ignoreCase)) found = static_cast<int>(at + 1);
  }
  return found;
}

}  // namespace quarvel
