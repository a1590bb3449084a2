// Member paths into a JSON value: the text after the variable's name, such as
// ".proxies[3].conf['remote_port']", read as plain member access and nothing more.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/json_document.h"

namespace quarvel {

// One step: a number in brackets, or a member name (after a dot, or quoted in brackets).
struct JsonStep {
  bool isIndex = false;
  std::int64_t index = 0;
  std::string name;  // UTF-8
};
using JsonPath = std::vector<JsonStep>;

// Parses member-access text: "" (the value itself), ".a.b", "[0].x", "['a b']". Nothing
// when the text is anything else (an expression, an unclosed bracket, a stray character).
std::optional<JsonPath> ParseJsonPath(std::string_view text);

enum class JsonLookup {
  kFound,      // the path names a value
  kUndefined,  // the last step names nothing (the engine's undefined)
  kFailed,     // a step before the last names nothing, or steps into null
};

// Follows path from the document's value. A found value is in the document, or is scratch
// for a computed one (the length of an array or string).
JsonLookup FindJsonValue(const JsonDocument& document, const JsonPath& path,
                         const JsonValue*& found, JsonValue& scratch);

// Puts value at path, as an assignment does: a member is replaced in place or added at the
// end; an array element past the end pads the array with null. Answers where the value now
// is, or nullptr when nothing changed (a step before the last names no object or array).
JsonValue* AssignJsonValue(JsonDocument& document, const JsonPath& path, JsonValue&& value);

// Removes the member at path, as delete does (an array element becomes null); answers
// whether anything changed.
bool DeleteJsonValue(JsonDocument& document, const JsonPath& path);

}  // namespace quarvel
