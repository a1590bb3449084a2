// Deep copies of JSON values between holders.
#pragma once

#include "script/json_document.h"

namespace quarvel {

// A copy of source in allocator's pool, strings included, as a trip through JSON text would
// give it: NaN and the infinities become null. Works without recursion.
JsonValue CopyAsJson(const JsonValue& source, JsonAllocator& allocator);

}  // namespace quarvel
