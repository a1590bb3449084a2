// A value read as plain text, the way the script engine turns a value into a string.
#pragma once

#include <string>

#include "script/json_document.h"

namespace quarvel {

// Appends the plain text of value (UTF-8) to out: a string's own characters; nothing for
// null; "true" or "false"; a number in the engine's form; "[object Object]" for an object;
// an array's elements joined by commas, null elements as nothing and nested arrays joined
// the same way. Works without recursion.
void AppendPlainText(const JsonValue& value, std::string& out);

}  // namespace quarvel
