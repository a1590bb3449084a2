// Conversion of a body declared in some charset into code page 936 text. Backends: iconv on
// Linux, the Windows code page functions on Windows.
#pragma once

#include <optional>
#include <string_view>

#include "http/text.h"

namespace quarvel {

// bytes decoded from charset (a name such as "utf-8" or "Big5", any case) and written in
// code page 936, with "?" for characters it lacks. nullopt when the charset is unknown.
std::optional<Text> ConvertCharsetToAnsi(const Bytes& bytes, std::string_view charset);

}  // namespace quarvel
