#include "app/find_text.h"

#include <algorithm>
#include <string>

namespace quarvel {
namespace {

std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
  return lowered;
}

// Both texts end at their first NUL, as the C string search sees them.
std::string_view UpToNul(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

}  // namespace

int FindTextFrom(std::string_view text, std::string_view sub, int start, bool fold) {
  text = UpToNul(text);
  sub = UpToNul(sub);
  if (start <= 0) start = 1;
  if (text.empty() || sub.empty()) return -1;
  const size_t from = static_cast<size_t>(start - 1);
  if (from >= text.size()) return -1;
  std::string foldedText, foldedSub;
  if (fold) {
    foldedText = LowerAscii(text);
    foldedSub = LowerAscii(sub);
    text = foldedText;
    sub = foldedSub;
  }
  const size_t hit = text.find(sub, from);
  return hit == std::string_view::npos ? -1 : static_cast<int>(hit + 1);
}

}  // namespace quarvel
