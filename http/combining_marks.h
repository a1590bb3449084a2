// Composition of a base letter and following combining marks into one precomposed letter,
// limited to the letters code page 936 holds (the pinyin vowels and a few more).
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

inline bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The precomposed letter for base + mark, or 0 when code page 936 has none.
char16_t ComposedLetter(char16_t base, char16_t mark);

// units with every composable base + mark sequence replaced by its precomposed letter;
// marks that do not compose stay where they are.
std::u16string ComposeMarks(std::u16string_view units);

}  // namespace quarvel
