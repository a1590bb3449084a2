// Texts cross into the JSON value as UTF-8 and come back as code page 936. Dashboard
// replies are nearly all ASCII, which both encodings share, so that case is a plain copy.
#pragma once

#include <string>
#include <string_view>

#include "http/text.h"

namespace quarvel {

// True when every byte is ASCII, so code page 936 and UTF-8 read the bytes alike.
bool IsAscii(std::string_view bytes);

// The UTF-8 form of a code page 936 text, up to its first NUL byte.
std::string Utf8FromText(const Text& text);
// The same, appended to utf8.
void AppendUtf8FromText(const Text& text, std::string& utf8);

// The code page 936 form of UTF-8 text, up to its first NUL; a character code page 936
// cannot hold becomes "?".
Text TextFromUtf8(std::string_view utf8);

}  // namespace quarvel
