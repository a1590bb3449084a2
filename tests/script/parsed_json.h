// A JsonObject holding a parsed text, for tests that start from one.
#pragma once

#include "script/json_object.h"

namespace quarvel {

inline JsonObject Parsed(const Text& json) {
  JsonObject object;
  object.Parse(json);
  return object;
}

}  // namespace quarvel
