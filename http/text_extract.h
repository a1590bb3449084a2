// Cutting pieces out of a Text: a header's value, the text after, before or between
// markers. None of them fails: whatever is not found gives the empty text.
#pragma once

#include <optional>
#include <string_view>

#include "http/text.h"

namespace quarvel {

// Stands for one double quote inside a marker or pattern: "#引号" in code page 936.
inline constexpr std::string_view kQuoteMarker = "#\xd2\xfd\xba\xc5";

// The value of the first line of a CR LF block that begins with name: the text after the
// last name + ": " in that line, untrimmed. Case counts.
Text HeaderValue(std::string_view block, std::string_view name);

// The text after the last occurrence of marker within the first start - 1 bytes (the whole
// text when start is omitted).
Text TextAfterLast(std::string_view text, std::string_view marker,
                   std::optional<int> start = std::nullopt, bool ignoreCase = false);

// The text before the first occurrence of marker at or after start, including any text
// before start.
Text TextBefore(std::string_view text, std::string_view marker, int start = 0,
                bool ignoreCase = false);

// The text between the first left marker at or after start and the first right marker after
// it. Each kQuoteMarker in the markers stands for a double quote.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                 int start = 0, bool ignoreCase = false);

// text with every occurrence of from replaced by to, scanning bytes from the first on.
Text ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace quarvel
