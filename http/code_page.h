// Conversion between Text (code page 936) and UTF-16LE, independent of the process locale
// and of the system's ANSI code page.
#pragma once

#include "http/text.h"

namespace quarvel {

// The UTF-16LE form of text, ending with one zero code unit unless dropTerminator is set.
// An empty text gives empty Bytes. Bytes that are not valid code page 936 are replaced,
// and the text after them is kept.
Bytes AnsiToWide(const Text& text, bool dropTerminator = false);

// The code page 936 text that UTF-16LE code units spell, cut at the first zero unit; an odd
// last byte is ignored. A base letter followed by a combining mark becomes the precomposed
// letter where code page 936 has one; a code unit it cannot express becomes "?".
Text WideToAnsi(const Bytes& wide);

// Convenience forms over std::u16string, for code that works in UTF-16 internally.
std::u16string AnsiToUtf16(const Text& text);
Text Utf16ToAnsi(std::u16string_view units);

}  // namespace quarvel
