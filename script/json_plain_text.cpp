#include "script/json_plain_text.h"

#include <vector>

#include "script/json_number.h"

namespace quarvel {
namespace {

void AppendScalarText(const JsonValue& value, std::string& out) {
  switch (value.GetType()) {
    case rapidjson::kStringType:
      out.append(value.GetString(), value.GetStringLength());
      break;
    case rapidjson::kTrueType:
      out += "true";
      break;
    case rapidjson::kFalseType:
      out += "false";
      break;
    case rapidjson::kNumberType:
      AppendScriptNumber(value.GetDouble(), out);
      break;
    case rapidjson::kObjectType:
      out += "[object Object]";
      break;
    default:  // null
      break;
  }
}

}  // namespace

void AppendPlainText(const JsonValue& value, std::string& out) {
  if (!value.IsArray()) {
    AppendScalarText(value, out);
    return;
  }
  struct Frame {
    const JsonValue* array;
    rapidjson::SizeType next;
  };
  std::vector<Frame> open{{&value, 0}};
  while (!open.empty()) {
    Frame& frame = open.back();
    if (frame.next == frame.array->Size()) {
      open.pop_back();
      continue;
    }
    if (frame.next > 0) out += ',';
    const JsonValue& item = (*frame.array)[frame.next++];
    if (item.IsArray()) {
      open.push_back({&item, 0});
    } else {
      AppendScalarText(item, out);
    }
  }
}

}  // namespace quarvel
