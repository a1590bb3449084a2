// Cookie texts: name=value pieces joined by "; ".
#pragma once

#include <string_view>

#include "http/text.h"

namespace quarvel {

// Folds received cookies into held ones: a received cookie replaces a held one of the same
// name, "name=deleted" removes it, exact repeats go. held receives the result as well;
// received is left with its spaces removed.
Text MergeCookies(Text& held, Text& received);

// The name of one cookie piece: the text before the first "=", spaces trimmed.
Text CookieName(std::string_view piece);

// The list with every item equal to an earlier one left out.
Text RemoveDuplicateItems(std::string_view text, std::string_view separator);

}  // namespace quarvel
