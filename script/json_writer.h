// JSON text in the one form every JsonObject answer uses: compact, members in order,
// numbers in the script engine's form, and the engine's set of escapes.
#pragma once

#include <string>
#include <string_view>

#include "script/json_document.h"

namespace quarvel {

// Appends the JSON text of value (UTF-8) to out. NaN and the infinities are written null.
// Works without recursion, so any depth is fine.
void AppendJsonText(const JsonValue& value, std::string& out);

// Appends text between double quotes with the engine's escapes.
void AppendQuotedString(std::string_view text, std::string& out);

}  // namespace quarvel
