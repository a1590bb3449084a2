// A plain byte-wise substring search, as the port check uses it.
#pragma once

#include <string_view>

namespace quarvel {

// 1-based byte position of the first occurrence of sub that begins at or after byte position
// start (0 means 1), or -1. With fold, ASCII letters compare without regard to case. Knows
// nothing of two-byte characters.
int FindTextFrom(std::string_view text, std::string_view sub, int start = 0, bool fold = false);

}  // namespace quarvel
