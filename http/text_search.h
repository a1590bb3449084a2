// Searches over code page 936 text that step over two-byte characters, so a marker is only
// found where a character begins. Positions are 1-based byte positions; -1 means not found.
#pragma once

#include <optional>
#include <string_view>

namespace quarvel {

// True for a byte that begins a two-byte character when the scan reaches it.
inline bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

// The first occurrence of marker that begins at or after byte position start (values below
// 1 mean 1). An empty marker is found at position 1 when anything is left to search.
int ForwardSearch(std::string_view text, std::string_view marker, int start = 1,
                  bool ignoreCase = false);

// The last occurrence of marker that lies wholly within the first start - 1 bytes, or within
// the whole text when start is omitted.
int BackwardSearch(std::string_view text, std::string_view marker,
                   std::optional<int> start = std::nullopt, bool ignoreCase = false);

}  // namespace quarvel
