// Reading JSON text into a value. JSON only: nothing in the text is ever run.
#pragma once

#include "http/text.h"
#include "script/json_document.h"

namespace quarvel {

enum class JsonParseOutcome {
  kValue,     // a JSON value, whatever its type
  kEmpty,     // nothing but white space: the variable ends undefined
  kRejected,  // not JSON
};

// Parses a code page 936 JSON text into document, replacing its value: a value (document
// holds it), empty (undefined) or rejected (null). The text ends at its first NUL byte.
// A duplicate member name keeps the first name's place and the last value; a number too
// large for a double is an infinity; a lone surrogate escape is rejected. Nesting of any
// depth is read without recursion.
JsonParseOutcome ParseDocument(const Text& text, JsonDocument& document);

// Parses a code page 936 JSON text into a value in allocator's pool, strings copied. On
// kEmpty or kRejected, value is left null.
JsonParseOutcome ParseValue(const Text& text, JsonAllocator& allocator, JsonValue& value);

}  // namespace quarvel
