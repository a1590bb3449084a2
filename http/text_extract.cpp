#include "http/text_extract.h"

#include "http/text_search.h"

namespace quarvel {

Text ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return Text(text);
  Text out;
  out.reserve(text.size());
  size_t at = 0;
  for (size_t hit; (hit = text.find(from, at)) != std::string_view::npos; at = hit + from.size()) {
    out.append(text.substr(at, hit - at)).append(to);
  }
  out.append(text.substr(at));
  return out;
}

Text HeaderValue(std::string_view block, std::string_view name) {
  size_t at = 0;
  while (at < block.size() || at == 0) {
    const size_t end = block.find("\r\n", at);
    const std::string_view line =
        block.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    if (line.starts_with(name)) {
      const Text marker = Text(name) + ": ";
      return TextAfterLast(line, marker);
    }
    if (end == std::string_view::npos) break;
    at = end + 2;
  }
  return Text();
}

Text TextAfterLast(std::string_view text, std::string_view marker, std::optional<int> start,
                   bool ignoreCase) {
  const int found = BackwardSearch(text, marker, start, ignoreCase);
  if (found == -1) return Text();
  return Text(text.substr(static_cast<size_t>(found - 1) + marker.size()));
}

Text TextBefore(std::string_view text, std::string_view marker, int start, bool ignoreCase) {
  const int found = ForwardSearch(text, marker, start < 1 ? 1 : start, ignoreCase);
  if (found == -1) return Text();
  return Text(text.substr(0, static_cast<size_t>(found - 1)));
}

Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
  const Text leftMarker = ReplaceAll(left, kQuoteMarker, "\"");
  const Text rightMarker = ReplaceAll(right, kQuoteMarker, "\"");
  int from = ForwardSearch(text, leftMarker, start < 1 ? 1 : start, ignoreCase);
  if (from == -1) return Text();
  from += static_cast<int>(leftMarker.size());
  const int to = ForwardSearch(text, rightMarker, from, ignoreCase);
  if (to == -1 || to < from) return Text();
  return Text(text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from)));
}

}  // namespace quarvel
