#include "script/json_path.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace quarvel {
namespace {

// How far past its end one write may grow an array: the engine would pad any distance,
// but a stray huge index must not exhaust memory.
constexpr std::int64_t kMaxGrowth = std::int64_t{1} << 20;

// Array indexes run up to 2^32 - 2, as in the engine.
constexpr std::int64_t kMaxArrayIndex = 4294967294LL;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsIdentifierStart(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == '$' || u >= 0x80;
}

bool IsIdentifierPart(char c) {
  return IsIdentifierStart(c) || (c >= '0' && c <= '9');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Reads a quoted name at text[pos] (pos at the quote), with the script escapes a name may
// use; moves pos past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view text, size_t& pos) {
  const char quote = text[pos++];
  // Most names hold no escape: taken whole up to the closing quote.
  const size_t start = pos;
  while (pos < text.size() && text[pos] != quote && text[pos] != '\\' && text[pos] != '\n' &&
         text[pos] != '\r')
    ++pos;
  std::string name(text.substr(start, pos - start));
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == quote) return name;
    if (c == '\n' || c == '\r') return std::nullopt;
    if (c != '\\') {
      name += c;
      continue;
    }
    if (pos >= text.size()) return std::nullopt;
    const char e = text[pos++];
    switch (e) {
      case 'b':
        name += '\b';
        break;
      case 'f':
        name += '\f';
        break;
      case 'n':
        name += '\n';
        break;
      case 'r':
        name += '\r';
        break;
      case 't':
        name += '\t';
        break;
      case 'v':
        name += '\v';
        break;
      case '0':
        name += '\0';
        break;
      case 'x':
      case 'u': {
        const size_t digits = e == 'x' ? 2 : 4;
        if (pos + digits > text.size()) return std::nullopt;
        char32_t code = 0;
        for (size_t k = 0; k < digits; ++k) {
          const int value = HexValue(text[pos + k]);
          if (value < 0) return std::nullopt;
          code = code * 16 + static_cast<char32_t>(value);
        }
        pos += digits;
        AppendUtf8(code, name);
        break;
      }
      default:
        name += e;  // \' \" \\ and any other escaped character stand for themselves
        break;
    }
  }
  return std::nullopt;
}

// Reads an integer in brackets: "0", or digits without a leading zero, maybe negative.
std::optional<std::int64_t> ReadIndex(std::string_view text, size_t& pos) {
  const size_t start = pos;
  if (text[pos] == '-') ++pos;
  const size_t digits = pos;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
  const size_t count = pos - digits;
  if (count == 0 || count > 15 || (count > 1 && text[digits] == '0')) return std::nullopt;
  if (pos < text.size() && (IsIdentifierPart(text[pos]) || text[pos] == '.')) return std::nullopt;
  std::int64_t value = 0;
  std::from_chars(text.data() + start, text.data() + pos, value);
  return value;
}

// A member name that an array reads as an element index ("0", "12", not "01").
std::optional<std::int64_t> IndexOfName(std::string_view name) {
  if (name.empty() || name.size() > 10 || name[0] == '-' || (name.size() > 1 && name[0] == '0')) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), value);
  if (error != std::errc() || end != name.data() + name.size() || value > kMaxArrayIndex) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int64_t> ArrayIndexOf(const JsonStep& step) {
  if (step.isIndex) return step.index;
  return IndexOfName(step.name);
}

// The member name a step gives an object: a bracketed number reads as its decimal text.
std::string_view ObjectKeyOf(const JsonStep& step, std::string& buffer) {
  if (!step.isIndex) return step.name;
  buffer = std::to_string(step.index);
  return buffer;
}

// The place of the member named key, counted from 0, or nothing; hint is where to look first.
// Names are unique within an object, so where the search starts does not change the answer.
// (Indexes rather than iterators: RapidJSON's iterator comparisons are ambiguous under C++20.)
std::optional<rapidjson::SizeType> FindMember(const JsonValue& object, std::string_view key,
                                              rapidjson::SizeType hint = 0) {
  const rapidjson::SizeType count = object.MemberCount();
  if (count == 0) return std::nullopt;
  const auto* members = &*object.MemberBegin();
  const auto isKey = [&](rapidjson::SizeType i) {
    const JsonValue& name = members[i].name;
    return name.GetStringLength() == key.size() &&
           std::memcmp(name.GetString(), key.data(), key.size()) == 0;
  };
  if (hint < count && isKey(hint)) return hint;
  for (rapidjson::SizeType i = 0; i < count; ++i) {
    if (isKey(i)) return i;
  }
  return std::nullopt;
}

// UTF-16 code units in a UTF-8 text: what the engine counts as a string's length.
size_t Utf16Length(const JsonValue& string) {
  size_t units = 0;
  const char* text = string.GetString();
  for (size_t i = 0; i < string.GetStringLength(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) ++units;
    if (c >= 0xF0) ++units;  // a surrogate pair
  }
  return units;
}

// One step from value; nullptr with kUndefined or kFailed when it names nothing. hint: where
// the member was found the last time, updated.
JsonLookup Step(const JsonValue& value, const JsonStep& step, const JsonValue*& next,
                JsonValue& scratch, rapidjson::SizeType& hint) {
  next = nullptr;
  switch (value.GetType()) {
    case rapidjson::kNullType:
      return JsonLookup::kFailed;
    case rapidjson::kObjectType: {
      std::string buffer;
      const auto place = FindMember(value, ObjectKeyOf(step, buffer), hint);
      if (!place) return JsonLookup::kUndefined;
      hint = *place;
      next = &value.MemberBegin()[*place].value;
      return JsonLookup::kFound;
    }
    case rapidjson::kArrayType: {
      if (!step.isIndex && step.name == "length") {
        scratch.SetUint(value.Size());
        next = &scratch;
        return JsonLookup::kFound;
      }
      const std::optional<std::int64_t> index = ArrayIndexOf(step);
      if (!index || *index < 0 || *index >= value.Size()) return JsonLookup::kUndefined;
      next = &value[static_cast<rapidjson::SizeType>(*index)];
      return JsonLookup::kFound;
    }
    case rapidjson::kStringType:
      if (!step.isIndex && step.name == "length") {
        scratch.SetUint64(Utf16Length(value));
        next = &scratch;
        return JsonLookup::kFound;
      }
      return JsonLookup::kUndefined;
    default:  // numbers and booleans have no members of their own
      return JsonLookup::kUndefined;
  }
}

}  // namespace

std::optional<JsonPath> ParseJsonPath(std::string_view text) {
  JsonPath path;
  path.reserve(static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return c == '.' || c == '['; })));
  size_t pos = 0;
  auto skipSpace = [&] {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
  };
  skipSpace();
  while (pos < text.size()) {
    JsonStep step;
    if (text[pos] == '.') {
      ++pos;
      skipSpace();
      if (pos >= text.size() || !IsIdentifierStart(text[pos])) return std::nullopt;
      const size_t start = pos;
      while (pos < text.size() && IsIdentifierPart(text[pos])) ++pos;
      step.name.assign(text, start, pos - start);
    } else if (text[pos] == '[') {
      ++pos;
      skipSpace();
      if (pos >= text.size()) return std::nullopt;
      if (text[pos] == '\'' || text[pos] == '"') {
        std::optional<std::string> name = ReadQuoted(text, pos);
        if (!name) return std::nullopt;
        step.name = std::move(*name);
      } else if (text[pos] == '-' || (text[pos] >= '0' && text[pos] <= '9')) {
        const std::optional<std::int64_t> index = ReadIndex(text, pos);
        if (!index) return std::nullopt;
        step.isIndex = true;
        step.index = *index;
      } else {
        return std::nullopt;
      }
      skipSpace();
      if (pos >= text.size() || text[pos] != ']') return std::nullopt;
      ++pos;
    } else {
      return std::nullopt;
    }
    path.push_back(std::move(step));
    skipSpace();
  }
  return path;
}

JsonLookup FindJsonValue(const JsonDocument& document, const JsonPath& path,
                         const JsonValue*& found, JsonValue& scratch) {
  found = nullptr;
  if (document.undefined()) return path.empty() ? JsonLookup::kUndefined : JsonLookup::kFailed;
  const JsonValue* current = &document.root();
  for (size_t i = 0; i < path.size(); ++i) {
    const JsonValue* next = nullptr;
    const JsonLookup lookup = Step(*current, path[i], next, scratch, document.PlaceHint(i));
    if (lookup != JsonLookup::kFound) {
      // Reading a member of undefined is an error, not one more undefined.
      return i + 1 == path.size() ? lookup : JsonLookup::kFailed;
    }
    current = next;
  }
  found = current;
  return JsonLookup::kFound;
}

JsonValue* AssignJsonValue(JsonDocument& document, const JsonPath& path, JsonValue&& value) {
  if (path.empty()) {
    document.SetRoot(std::move(value));
    return &document.root();
  }
  const JsonPath parentPath(path.begin(), path.end() - 1);
  const JsonValue* found = nullptr;
  JsonValue scratch;
  if (FindJsonValue(document, parentPath, found, scratch) != JsonLookup::kFound ||
      found == &scratch) {
    return nullptr;
  }
  JsonValue& parent = const_cast<JsonValue&>(*found);
  const JsonStep& last = path.back();
  JsonAllocator& allocator = document.allocator();
  if (parent.IsObject()) {
    std::string buffer;
    const std::string_view key = ObjectKeyOf(last, buffer);
    if (const auto place = FindMember(parent, key)) {
      JsonValue& member = parent.MemberBegin()[*place].value;
      member = value;  // moves
      return &member;
    }
    JsonValue name(key.data(), static_cast<rapidjson::SizeType>(key.size()), allocator);
    parent.AddMember(name, value, allocator);
    return &parent.MemberBegin()[parent.MemberCount() - 1].value;
  }
  if (parent.IsArray()) {
    const std::optional<std::int64_t> index = ArrayIndexOf(last);
    // Other names on an array ("length", "-1", "x") are no elements: nothing to write.
    if (!index || *index < 0 || *index > kMaxArrayIndex || *index - parent.Size() > kMaxGrowth) {
      return nullptr;
    }
    const auto position = static_cast<rapidjson::SizeType>(*index);
    if (position < parent.Size()) {
      parent[position] = value;
      return &parent[position];
    }
    parent.Reserve(position + 1, allocator);
    while (parent.Size() < position) parent.PushBack(JsonValue(), allocator);
    parent.PushBack(value, allocator);
    return &parent[position];
  }
  return nullptr;  // a member of a string, number or boolean is not kept
}

bool DeleteJsonValue(JsonDocument& document, const JsonPath& path) {
  if (path.empty()) return false;
  const JsonPath parentPath(path.begin(), path.end() - 1);
  const JsonValue* found = nullptr;
  JsonValue scratch;
  if (FindJsonValue(document, parentPath, found, scratch) != JsonLookup::kFound ||
      found == &scratch) {
    return false;
  }
  JsonValue& parent = const_cast<JsonValue&>(*found);
  if (parent.IsObject()) {
    std::string buffer;
    const auto place = FindMember(parent, ObjectKeyOf(path.back(), buffer));
    if (!place) return false;
    parent.EraseMember(parent.MemberBegin() + *place);  // keeps the order of the others
    return true;
  }
  if (parent.IsArray()) {
    // delete leaves a hole, which JSON text shows as null.
    const std::optional<std::int64_t> index = ArrayIndexOf(path.back());
    if (!index || *index < 0 || *index >= parent.Size()) return false;
    parent[static_cast<rapidjson::SizeType>(*index)].SetNull();
    return true;
  }
  return false;
}

}  // namespace quarvel
