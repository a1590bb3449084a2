// JsonObject: one JSON value, read and edited through member paths such as
// "proxies[3].conf['remote_port']". Texts in and out are code page 936.
//
// Paths are the member-access text that follows the value, joined one of two ways:
//   value-relative: "a.b", "proxies[0]" and also "[0]" (a leading bracket indexes the value);
//   member-only:    always a member name first, so a path beginning with "[" names nothing.
// ValueText, ValueObject, MemberCount and MemberNames take value-relative paths; the others
// take member-only ones. Where a path is optional, an empty one means the whole value.
//
// Copies made by Copy share the value: a write through one is seen by the other, until one
// of them runs Parse, which gives it a value of its own. Nothing here throws; a failure gives
// the empty text, 0, false or JsonType::kNone / kOther, and a failed write changes nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "http/text.h"

namespace quarvel {

class JsonDocument;

// What TypeOf answers and Reset takes. The code 3 is not used.
enum class JsonType : std::int32_t {
  kOther = -1,  // a path that names nothing readable
  kNone = 0,    // null, or nothing at the last step
  kBoolean = 1,
  kNumber = 2,
  kObject = 4,
  kArray = 5,
  kString = 6,
};

class JsonObject {
 public:
  // An empty object.
  JsonObject();
  ~JsonObject();
  JsonObject(JsonObject&&) noexcept;
  JsonObject& operator=(JsonObject&&) noexcept;
  JsonObject(const JsonObject&) = delete;  // Copy says that the value is shared
  JsonObject& operator=(const JsonObject&) = delete;

  // Lets go of the value; every later operation answers its zero value, Parse included.
  void Destroy();
  // A second object on the same value.
  JsonObject Copy() const;
  // A fresh empty object as the value, no longer shared with any copy.
  void InitEngine();
  // Reads JSON text as the new value. True for any value but null; false for text that is
  // not JSON (the value is then null) and for empty text (the value is then undefined, and
  // ToJsonText gives the empty text). A JSON string is taken as a string value.
  bool Parse(const Text& text);
  // The JSON text of the whole value; empty when it is undefined.
  Text ToJsonText() const;

  // Sets member key to the text value as a string, or with raw to the JSON text value (an
  // empty raw value stands for {}). Text that is not JSON changes nothing.
  void SetMember(const Text& key, const Text& value, bool raw = false);
  void SetMemberJson(const Text& key, const Text& json);
  // The number as "%.13g" writes it; NaN and the infinities change nothing.
  void SetMemberNumber(const Text& key, double number);
  // A number member's value; a numeric string's number; true 1; anything else 0.
  double MemberNumber(const Text& key) const;
  Text MemberJson(const Text& key) const;
  // The value at path as text: a number as "%.13g", a string as its characters, null and
  // missing values as the empty text, true and false as words, an object as
  // "[object Object]", an array as its elements joined by commas. With asJson, its JSON text.
  Text ValueText(const Text& path, bool asJson = false) const;
  // A new object holding a copy of the value at path (undefined when the path names nothing).
  JsonObject ValueObject(const Text& path) const;
  // Members of the object or elements of the array at path; 0 for anything else.
  std::int32_t MemberCount(const Text& path = {}) const;
  // Appends value (a string, or with raw JSON text) to the array at path, which is first
  // made a new empty array when it holds anything else.
  void PushItem(const Text& value, const Text& path = {}, bool raw = false);
  JsonObject ItemObject(std::int32_t index, const Text& path = {}) const;
  Text ItemText(std::int32_t index, const Text& path = {}, bool asJson = false) const;
  // Sets element index of the whole value (an array grows with nulls; an object gets the
  // member named by the index's digits).
  void SetItem(std::int32_t index, const Text& value, bool raw = false);
  // Removes element index of the whole value when it is an array; a negative index counts
  // from the end.
  void RemoveItem(std::int32_t index);
  // Removes an element given as "member[index]"; only the first bracket counts.
  void RemovePathItem(const Text& path);
  void DeleteMember(const Text& key);
  // kNone or kObject: the value becomes {}; kArray: []; any other type changes nothing.
  void Reset(JsonType type);
  void SetValue(const Text& value, bool raw = false);
  // True when key names a value other than null (false, 0 and "" included).
  bool HasMember(const Text& key) const;
  // Fills names with the member names of the object (or the indexes of the array) at path,
  // in order, and answers their number.
  std::int32_t MemberNames(std::vector<Text>& names, const Text& path = {}) const;
  JsonType TypeOf(const Text& path = {}) const;
  // The value becomes {}.
  void Clear();
  // The value holder, shared; empty after Destroy.
  std::shared_ptr<JsonDocument> Engine() const;

 private:
  explicit JsonObject(std::shared_ptr<JsonDocument> document);
  // A new object holding a copy of the value that memberText names.
  JsonObject CopyOf(const std::string& memberText) const;

  std::shared_ptr<JsonDocument> document_;
};

}  // namespace quarvel
