// Between the program's code page 936 texts and the UTF-8 of a terminal.
#pragma once

#include <string>
#include <string_view>

#include "http/text.h"

namespace quarvel {

// text as UTF-8, with CR LF line ends turned into LF.
std::string TerminalText(const Text& text);

// The code page 936 form of UTF-8 text; characters it lacks become "?", and so does every
// byte that is not part of a valid UTF-8 sequence.
Text TextFromTerminal(std::string_view utf8);

}  // namespace quarvel
