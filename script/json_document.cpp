#include "script/json_document.h"

namespace quarvel {
namespace {
// Small: most holders are per-element copies of a number or a short object.
constexpr size_t kSmallChunk = 1024;
}  // namespace

JsonDocument::JsonDocument() : JsonDocument(kSmallChunk) {}

JsonDocument::JsonDocument(size_t chunkSize)
    : allocator_(chunkSize), root_(rapidjson::kObjectType) {}

void JsonDocument::SetUndefined() {
  root_.SetNull();
  undefined_ = true;
}

void JsonDocument::SetRoot(JsonValue&& value) {
  root_ = value;  // RapidJSON's assignment moves
  undefined_ = false;
}

void JsonDocument::ResetTo(rapidjson::Type type) {
  root_.SetNull();
  allocator_.Clear();
  std::string().swap(source_);
  root_ = JsonValue(type);
  undefined_ = false;
}

}  // namespace quarvel
