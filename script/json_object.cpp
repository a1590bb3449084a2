#include "script/json_object.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <string>
#include <utility>

#include "http/text_extract.h"
#include "script/json_copy.h"
#include "script/json_document.h"
#include "script/json_encoding.h"
#include "script/json_number.h"
#include "script/json_parse.h"
#include "script/json_path.h"
#include "script/json_plain_text.h"
#include "script/json_writer.h"

namespace quarvel {
namespace {

// The member-access text for a path, in UTF-8, joined one of the ways json_object.h lists.
std::string MemberOnly(const Text& path) {
  std::string text(1, '.');
  text += Utf8FromText(path);
  return text;
}

std::string ValueRelative(const Text& path) {
  if (!path.empty() && path.front() == '[') return Utf8FromText(path);
  return MemberOnly(path);
}

std::string WholeOrMemberOnly(const Text& path) {
  return path.empty() ? std::string() : MemberOnly(path);
}

std::string WholeOrValueRelative(const Text& path) {
  return path.empty() ? std::string() : ValueRelative(path);
}

std::string IndexText(std::int32_t index) {
  std::string text(1, '[');
  text += std::to_string(index);
  text += ']';
  return text;
}

// The value a read names: found, or the reason it is not there.
struct Found {
  JsonLookup lookup = JsonLookup::kFailed;
  const JsonValue* value = nullptr;
  JsonValue scratch;  // holds a computed length
};

void Find(const JsonDocument* document, const std::string& memberText, Found& found) {
  found.lookup = JsonLookup::kFailed;
  found.value = nullptr;
  if (!document) return;
  const std::optional<JsonPath> path = ParseJsonPath(memberText);
  if (!path) return;
  found.lookup = FindJsonValue(*document, *path, found.value, found.scratch);
}

Text JsonTextOf(const JsonValue& value) {
  std::string json;
  AppendJsonText(value, json);
  return TextFromUtf8(json);
}

Text PlainTextOf(const JsonValue& value) {
  std::string text;
  AppendPlainText(value, text);
  return TextFromUtf8(text);
}

// A value to store, in document's pool: the text as a string, or with raw the JSON it
// spells. Nothing when raw text is not JSON.
std::optional<JsonValue> MakeValue(JsonDocument& document, const Text& value, bool raw) {
  if (!raw) {
    const std::string utf8 = Utf8FromText(value);
    return JsonValue(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()),
                     document.allocator());
  }
  JsonValue parsed;
  if (ParseValue(value, document.allocator(), parsed) != JsonParseOutcome::kValue) {
    return std::nullopt;
  }
  return std::optional<JsonValue>(std::move(parsed));
}

void Assign(JsonDocument* document, const std::string& memberText, const Text& value, bool raw) {
  if (!document) return;
  const std::optional<JsonPath> path = ParseJsonPath(memberText);
  if (!path) return;
  std::optional<JsonValue> made = MakeValue(*document, value, raw);
  if (made) AssignJsonValue(*document, *path, std::move(*made));
}

// The number a string reads as: blank is 0, a decimal literal its value, anything else 0.
double NumberOfString(std::string_view text) {
  const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  if (text.empty()) return 0;
  return ReadDecimal(text).value_or(0);
}

// The index in a path's brackets: leading blanks, a sign, then digits up to the first
// other character; no digits give 0. Out-of-range values stop at the int limits.
std::int32_t LeadingInteger(const Text& text) {
  size_t pos = 0;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  std::int64_t value = 0;
  for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
    value = std::min<std::int64_t>(value * 10 + (text[pos] - '0'), std::int64_t{INT_MAX} + 1);
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// Pool chunks for a parsed reply: large enough that a big reply takes few of them.
size_t ChunkSizeFor(size_t textSize) {
  return std::clamp<size_t>(textSize / 2, 1024, size_t{16} << 20);
}

}  // namespace

JsonObject::JsonObject() : document_(std::make_shared<JsonDocument>()) {}
JsonObject::JsonObject(std::shared_ptr<JsonDocument> document) : document_(std::move(document)) {}
JsonObject::~JsonObject() = default;
JsonObject::JsonObject(JsonObject&&) noexcept = default;
JsonObject& JsonObject::operator=(JsonObject&&) noexcept = default;

void JsonObject::Destroy() {
  document_.reset();
}

JsonObject JsonObject::Copy() const {
  return JsonObject(document_);
}

void JsonObject::InitEngine() {
  document_ = std::make_shared<JsonDocument>();
}

bool JsonObject::Parse(const Text& text) {
  if (!document_) return false;
  auto document = std::make_shared<JsonDocument>(ChunkSizeFor(text.size()));
  const JsonParseOutcome outcome = ParseDocument(text, *document);
  document_ = std::move(document);
  return outcome == JsonParseOutcome::kValue && !document_->root().IsNull();
}

Text JsonObject::ToJsonText() const {
  if (!document_ || document_->undefined()) return Text();
  return JsonTextOf(document_->root());
}

void JsonObject::SetMember(const Text& key, const Text& value, bool raw) {
  Assign(document_.get(), MemberOnly(key), raw && value.empty() ? Text("{}") : value, raw);
}

void JsonObject::SetMemberJson(const Text& key, const Text& json) {
  Assign(document_.get(), MemberOnly(key), json, /*raw=*/true);
}

void JsonObject::SetMemberNumber(const Text& key, double number) {
  // The number goes through its "%.13g" text, so it keeps 13 significant digits.
  const std::optional<double> written = ReadDecimal(FormatG13(number));
  if (!document_ || !written || !std::isfinite(*written)) return;
  const std::optional<JsonPath> path = ParseJsonPath(MemberOnly(key));
  if (path) AssignJsonValue(*document_, *path, JsonValue(*written));
}

double JsonObject::MemberNumber(const Text& key) const {
  Found found;
  Find(document_.get(), MemberOnly(key), found);
  if (found.lookup != JsonLookup::kFound) return 0;
  const JsonValue& value = *found.value;
  if (value.IsNumber()) return value.GetDouble();
  if (value.IsString())
    return NumberOfString(std::string_view(value.GetString(), value.GetStringLength()));
  if (value.IsTrue()) return 1;
  return 0;
}

Text JsonObject::MemberJson(const Text& key) const {
  Found found;
  Find(document_.get(), MemberOnly(key), found);
  return found.lookup == JsonLookup::kFound ? JsonTextOf(*found.value) : Text();
}

Text JsonObject::ValueText(const Text& path, bool asJson) const {
  Found found;
  Find(document_.get(), ValueRelative(path), found);
  if (asJson) return found.lookup == JsonLookup::kFound ? JsonTextOf(*found.value) : Text();
  if (!document_) return Text();
  // The type is asked with the member-only join, so "[0]" is never read as a number here
  // but in the plain form below.
  if (TypeOf(path) == JsonType::kNumber) return FormatG13(MemberNumber(path));
  return found.lookup == JsonLookup::kFound ? PlainTextOf(*found.value) : Text();
}

JsonObject JsonObject::CopyOf(const std::string& memberText) const {
  Found found;
  Find(document_.get(), memberText, found);
  auto copy = std::make_shared<JsonDocument>();
  if (found.lookup == JsonLookup::kFound) {
    copy->SetRoot(CopyAsJson(*found.value, copy->allocator()));
  } else {
    copy->SetUndefined();
  }
  return JsonObject(std::move(copy));
}

JsonObject JsonObject::ValueObject(const Text& path) const {
  return CopyOf(ValueRelative(path));
}

std::int32_t JsonObject::MemberCount(const Text& path) const {
  Found found;
  Find(document_.get(), WholeOrValueRelative(path), found);
  if (found.lookup != JsonLookup::kFound) return 0;
  if (found.value->IsObject()) return static_cast<std::int32_t>(found.value->MemberCount());
  if (found.value->IsArray()) return static_cast<std::int32_t>(found.value->Size());
  return 0;
}

void JsonObject::PushItem(const Text& value, const Text& path, bool raw) {
  if (!document_) return;
  const std::optional<JsonPath> target = ParseJsonPath(WholeOrMemberOnly(path));
  if (!target) return;
  std::optional<JsonValue> item = MakeValue(*document_, value, raw);
  if (!item) return;
  const JsonValue* found = nullptr;
  JsonValue scratch;
  const JsonLookup lookup = FindJsonValue(*document_, *target, found, scratch);
  if (lookup == JsonLookup::kFailed) return;
  JsonValue* array = const_cast<JsonValue*>(found);
  if (lookup != JsonLookup::kFound || found == &scratch || !found->IsArray()) {
    array = AssignJsonValue(*document_, *target, JsonValue(rapidjson::kArrayType));
  }
  if (array) array->PushBack(*item, document_->allocator());
}

JsonObject JsonObject::ItemObject(std::int32_t index, const Text& path) const {
  return CopyOf(WholeOrMemberOnly(path) + IndexText(index));
}

Text JsonObject::ItemText(std::int32_t index, const Text& path, bool asJson) const {
  Found found;
  Find(document_.get(), WholeOrMemberOnly(path) + IndexText(index), found);
  if (found.lookup != JsonLookup::kFound) return Text();
  return asJson ? JsonTextOf(*found.value) : PlainTextOf(*found.value);
}

void JsonObject::SetItem(std::int32_t index, const Text& value, bool raw) {
  Assign(document_.get(), IndexText(index), value, raw);
}

void JsonObject::RemoveItem(std::int32_t index) {
  if (!document_ || document_->undefined() || !document_->root().IsArray()) return;
  JsonValue& array = document_->root();
  // As splice(index, 1): a negative index counts from the end.
  const std::int64_t size = array.Size();
  const std::int64_t start =
      index < 0 ? std::max<std::int64_t>(size + index, 0) : std::min<std::int64_t>(index, size);
  if (start < size) array.Erase(array.Begin() + start);
}

void JsonObject::RemovePathItem(const Text& path) {
  // The element goes by rebuilding the array from its JSON text, as in a script: the member
  // receives a new array.
  const Text member = TextBefore(path, "[");
  const Text index = TextBetween(path, "[", "]");
  JsonObject array;
  array.Parse(ValueText(member, /*asJson=*/true));
  array.RemoveItem(LeadingInteger(index));
  SetMemberJson(member, array.ToJsonText());
}

void JsonObject::DeleteMember(const Text& key) {
  if (!document_) return;
  const std::optional<JsonPath> path = ParseJsonPath(MemberOnly(key));
  if (path) DeleteJsonValue(*document_, *path);
}

void JsonObject::Reset(JsonType type) {
  if (!document_) return;
  if (type == JsonType::kNone || type == JsonType::kObject) {
    document_->ResetTo(rapidjson::kObjectType);
  } else if (type == JsonType::kArray) {
    document_->ResetTo(rapidjson::kArrayType);
  }
}

void JsonObject::SetValue(const Text& value, bool raw) {
  Assign(document_.get(), std::string(), value, raw);
}

bool JsonObject::HasMember(const Text& key) const {
  Found found;
  Find(document_.get(), MemberOnly(key), found);
  return found.lookup == JsonLookup::kFound && !found.value->IsNull();
}

std::int32_t JsonObject::MemberNames(std::vector<Text>& names, const Text& path) const {
  names.clear();
  Found found;
  Find(document_.get(), WholeOrValueRelative(path), found);
  if (found.lookup != JsonLookup::kFound) return 0;
  const JsonValue& value = *found.value;
  if (value.IsObject()) {
    for (auto m = value.MemberBegin(); m != value.MemberEnd(); ++m) {
      names.push_back(
          TextFromUtf8(std::string_view(m->name.GetString(), m->name.GetStringLength())));
    }
  } else if (value.IsArray()) {
    for (rapidjson::SizeType i = 0; i < value.Size(); ++i) names.push_back(std::to_string(i));
  }
  return static_cast<std::int32_t>(names.size());
}

JsonType JsonObject::TypeOf(const Text& path) const {
  Found found;
  Find(document_.get(), WholeOrMemberOnly(path), found);
  if (found.lookup == JsonLookup::kFailed) return JsonType::kOther;
  if (found.lookup == JsonLookup::kUndefined) return JsonType::kNone;
  switch (found.value->GetType()) {
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
      return JsonType::kBoolean;
    case rapidjson::kNumberType:
      return JsonType::kNumber;
    case rapidjson::kObjectType:
      return JsonType::kObject;
    case rapidjson::kArrayType:
      return JsonType::kArray;
    case rapidjson::kStringType:
      return JsonType::kString;
    default:
      return JsonType::kNone;
  }
}

void JsonObject::Clear() {
  if (document_) document_->ResetTo(rapidjson::kObjectType);
}

std::shared_ptr<JsonDocument> JsonObject::Engine() const {
  return document_;
}

}  // namespace quarvel
