#include "script/json_copy.h"

#include <cmath>
#include <vector>

namespace quarvel {
namespace {

struct Pending {
  const JsonValue* from;
  JsonValue* to;
};

// Copies a scalar, or sizes a container and queues its children.
void CopyOne(const JsonValue& from, JsonValue& to, JsonAllocator& allocator,
             std::vector<Pending>& pending) {
  switch (from.GetType()) {
    case rapidjson::kStringType:
      to.SetString(from.GetString(), from.GetStringLength(), allocator);
      break;
    case rapidjson::kNumberType:
      if (from.IsInt()) {
        to.SetInt(from.GetInt());
      } else if (from.IsUint()) {
        to.SetUint(from.GetUint());
      } else if (from.IsInt64()) {
        to.SetInt64(from.GetInt64());
      } else if (from.IsUint64()) {
        to.SetUint64(from.GetUint64());
      } else if (std::isfinite(from.GetDouble())) {
        to.SetDouble(from.GetDouble());
      } else {
        to.SetNull();
      }
      break;
    case rapidjson::kObjectType:
      to.SetObject();
      for (auto m = from.MemberBegin(); m != from.MemberEnd(); ++m) {
        JsonValue name(m->name.GetString(), m->name.GetStringLength(), allocator);
        JsonValue placeholder;
        to.AddMember(name, placeholder, allocator);
      }
      // The member array is final now, so pointers into it stay good.
      for (rapidjson::SizeType i = 0; i < from.MemberCount(); ++i) {
        pending.push_back({&from.MemberBegin()[i].value, &to.MemberBegin()[i].value});
      }
      break;
    case rapidjson::kArrayType:
      to.SetArray();
      to.Reserve(from.Size(), allocator);
      for (rapidjson::SizeType i = 0; i < from.Size(); ++i) {
        JsonValue placeholder;
        to.PushBack(placeholder, allocator);
      }
      for (rapidjson::SizeType i = 0; i < from.Size(); ++i) pending.push_back({&from[i], &to[i]});
      break;
    case rapidjson::kTrueType:
      to.SetBool(true);
      break;
    case rapidjson::kFalseType:
      to.SetBool(false);
      break;
    default:
      to.SetNull();
      break;
  }
}

}  // namespace

JsonValue CopyAsJson(const JsonValue& source, JsonAllocator& allocator) {
  JsonValue result;
  std::vector<Pending> pending;
  CopyOne(source, result, allocator, pending);
  while (!pending.empty()) {
    const Pending next = pending.back();
    pending.pop_back();
    CopyOne(*next.from, *next.to, allocator, pending);
  }
  return result;
}

}  // namespace quarvel
