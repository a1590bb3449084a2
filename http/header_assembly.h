// Turning a caller's header block into the block a request sends.
#pragma once

#include "http/text.h"

namespace quarvel {

// Appends the default lines the block lacks, capitalises names, drops a
// "Connection: keep-alive" line and appends a Cookie line for requestCookies.
Text BuildRequestHeaders(const Text& headers, int method, const Text& requestCookies,
                         bool completeHeaders = true, bool normalizeNames = true);

// The block with the first letter of each name, and of each "-"-separated part of it, in
// upper case; lines without ":" dropped. Values are never touched.
Text NormalizeHeaderNames(const Text& block);

// text with an ASCII lower-case first letter in upper case.
Text CapitalizeFirst(const Text& text);

}  // namespace quarvel
