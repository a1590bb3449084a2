#include "http/header_assembly.h"

#include <string_view>
#include <vector>

#include "http/text_extract.h"
#include "http/text_search.h"

namespace quarvel {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

struct DefaultLine {
  std::string_view probe;
  std::string_view line;
  bool postOnly;
};

// Tried in this order; each probe is looked for anywhere in the block, ignoring case.
constexpr DefaultLine kDefaultLines[] = {
    {"User-Agent: ",
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n", false},
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n", false},
    {"Accept-Language: ", "Accept-Language: zh-cn\r\n", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n", true},
    {"Cache-Control: ", "Cache-Control: no-cache\r\n", false},
};

constexpr int kPostMethod = 1;

bool Contains(std::string_view text, std::string_view marker, bool ignoreCase) {
  return ForwardSearch(text, marker, 1, ignoreCase) != -1;
}

// Pieces between separators, character-aware. An empty stretch between two separators is a
// piece; an empty remainder after the last one is not.
std::vector<std::string_view> SplitPieces(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  size_t from = 0;
  while (from < text.size()) {
    const int found = ForwardSearch(text, separator, static_cast<int>(from) + 1);
    if (found == -1) break;
    const size_t at = static_cast<size_t>(found - 1);
    pieces.push_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  if (from < text.size()) pieces.push_back(text.substr(from));
  return pieces;
}

Text NormalizeName(std::string_view name) {
  if (ForwardSearch(name, "-") == -1) return CapitalizeFirst(Text(name));
  Text normalized;
  bool first = true;
  for (std::string_view part : SplitPieces(name, "-")) {
    if (!first) normalized += '-';
    normalized += CapitalizeFirst(Text(part));
    first = false;
  }
  return normalized;
}

}  // namespace

Text CapitalizeFirst(const Text& text) {
  Text result = text;
  if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') {
    result[0] = static_cast<char>(result[0] - 'a' + 'A');
  }
  return result;
}

Text NormalizeHeaderNames(const Text& block) {
  Text result;
  for (std::string_view piece : SplitPieces(block, kLineEnd)) {
    const int colon = ForwardSearch(piece, ":");
    if (colon == -1) continue;
    const Text name = NormalizeName(piece.substr(0, static_cast<size_t>(colon - 1)));
    // The rest is taken by the new name's length, so a trailing "-" that the split dropped
    // from the name comes back with it.
    result += name;
    result += piece.substr(name.size());
    result += kLineEnd;
  }
  if (!result.empty()) result.resize(result.size() - kLineEnd.size());
  return result;
}

Text BuildRequestHeaders(const Text& headers, int method, const Text& requestCookies,
                         bool completeHeaders, bool normalizeNames) {
  Text block;
  if (!headers.empty()) block = headers + Text(kLineEnd);

  if (completeHeaders) {
    for (const DefaultLine& row : kDefaultLines) {
      if (row.postOnly && method != kPostMethod) continue;
      if (!Contains(block, row.probe, true)) block += row.line;
    }
  }

  if (normalizeNames) block = NormalizeHeaderNames(block);

  if (Contains(block, "Connection", false) && HeaderValue(block, "Connection") == "keep-alive") {
    block = ReplaceAll(block, "Connection: keep-alive\r\n", "");
  }

  if (!Contains(block, "Cookie:", true) && !requestCookies.empty()) {
    block += Contains(requestCookies, "Cookie:", true) ? Text(kLineEnd) : Text("\r\nCookie: ");
    block += requestCookies;
    block += kLineEnd;
  }
  return block;
}

}  // namespace quarvel
