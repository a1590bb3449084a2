#include "script/json_parse.h"

#include <rapidjson/reader.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "script/json_encoding.h"
#include "script/json_number.h"

namespace quarvel {
namespace {

// Zero bytes after the text: RapidJSON stops at the first, and its vector loads may read a
// whole aligned block past it.
constexpr size_t kPadding = 16;

constexpr double kLargestExactInteger = 9007199254740992.0;  // 2^53

// A string holding a UTF-16 surrogate on its own: RapidJSON turns a lone low surrogate
// escape into the three bytes ED B0..BF xx, which no valid UTF-8 text contains.
bool HasLoneSurrogate(const char* text, size_t length) {
  const char* end = text + length;
  for (const char* p = text; (p = static_cast<const char*>(std::memchr(p, 0xED, end - p)));) {
    if (++p == end) return false;
    if (static_cast<unsigned char>(*p) >= 0xA0) return true;
  }
  return false;
}

std::size_t KeyBit(const char* key, size_t length) {
  if (length == 0) return 0;
  const auto first = static_cast<unsigned char>(key[0]);
  const auto last = static_cast<unsigned char>(key[length - 1]);
  const auto middle = static_cast<unsigned char>(key[length / 2]);
  return (length * 7 + first * 3 + middle * 5 + last) & 63;
}

// Builds the value from RapidJSON's events. Objects are assembled at their end, when all
// their members are known, so a repeated name can be folded into its first place.
class TreeBuilder {
 public:
  // checkSurrogates: the text holds an escape, so a string may hold a lone surrogate.
  TreeBuilder(JsonAllocator& allocator, bool copyStrings, bool checkSurrogates)
      : allocator_(allocator), copyStrings_(copyStrings), checkSurrogates_(checkSurrogates) {}

  bool Null() { return Push(JsonValue()); }
  bool Bool(bool b) { return Push(JsonValue(b)); }
  bool Int(int i) { return Push(JsonValue(i)); }
  bool Uint(unsigned u) { return Push(JsonValue(u)); }
  bool Int64(int64_t i) {
    // Past 2^53 the script engine holds the nearest double, not the integer.
    if (std::fabs(static_cast<double>(i)) > kLargestExactInteger)
      return Double(static_cast<double>(i));
    return Push(JsonValue(i));
  }
  bool Uint64(uint64_t u) {
    if (static_cast<double>(u) > kLargestExactInteger) return Double(static_cast<double>(u));
    return Push(JsonValue(u));
  }
  bool Double(double d) { return !std::isnan(d) && Push(JsonValue(d)); }
  // Numbers come as their text and are converted here: RapidJSON 1.1's own full-precision
  // conversion misreads a zero with an exponent ("0e40").
  bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
    const std::string_view literal(text, length);
    if (length <= 15 && literal.find_first_of(".eE") == std::string_view::npos) {
      std::int64_t whole = 0;
      const auto [end, error] = std::from_chars(text, text + length, whole);
      if (error == std::errc() && end == text + length) return Push(JsonValue(whole));
    }
    if (literal == "Infinity" || literal == "-Infinity") {
      return Double(literal[0] == '-' ? -HUGE_VAL : HUGE_VAL);
    }
    const std::optional<double> number = ReadDecimal(literal);
    return number && Double(*number);
  }

  bool String(const char* text, rapidjson::SizeType length, bool) {
    if (checkSurrogates_ && HasLoneSurrogate(text, length)) return false;
    return Push(MakeString(text, length));
  }
  bool Key(const char* text, rapidjson::SizeType length, bool copy) {
    NoteKey(text, length);
    return String(text, length, copy);
  }

  bool StartObject() {
    open_.push_back(Open{stack_.size(), 0, false, nullptr});
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    Open open = std::move(open_.back());
    open_.pop_back();
    JsonValue* pairs = stack_.data() + open.start;
    size_t count = (stack_.size() - open.start) / 2;
    if (open.duplicates) count = FoldDuplicates(pairs, count);
    JsonValue object(rapidjson::kObjectType);
    for (size_t i = 0; i < count; ++i) object.AddMember(pairs[2 * i], pairs[2 * i + 1], allocator_);
    stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(open.start), stack_.end());
    return Push(std::move(object));
  }

  bool StartArray() {
    open_.push_back(Open{stack_.size(), 0, false, nullptr});
    return true;
  }
  bool EndArray(rapidjson::SizeType) {
    const size_t start = open_.back().start;
    open_.pop_back();
    JsonValue array(rapidjson::kArrayType);
    array.Reserve(static_cast<rapidjson::SizeType>(stack_.size() - start), allocator_);
    for (size_t i = start; i < stack_.size(); ++i) array.PushBack(stack_[i], allocator_);
    stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(start), stack_.end());
    return Push(std::move(array));
  }

  JsonValue TakeResult() {
    JsonValue result;
    if (stack_.size() == 1) result = stack_.front();  // moves
    return result;
  }

 private:
  // An object or array still being read: where its items start on the stack, and for an
  // object what is needed to notice a repeated member name.
  struct Open {
    size_t start;
    std::uint64_t keyBits;
    bool duplicates;
    // Only for large objects. It owns copies: a key's text may be RapidJSON's scratch
    // buffer, or sit inside a value on the stack, which moves as the stack grows.
    std::unique_ptr<std::unordered_set<std::string>> keys;
  };
  static constexpr size_t kKeySetFrom = 24;

  bool Push(JsonValue&& value) {
    stack_.push_back(std::move(value));
    return true;
  }

  JsonValue MakeString(const char* text, rapidjson::SizeType length) {
    if (copyStrings_) return JsonValue(text, length, allocator_);
    return JsonValue(rapidjson::StringRef(text, length));  // points into the kept source
  }

  // Called before the key is pushed: the keys so far sit at every second stack place.
  void NoteKey(const char* key, size_t length) {
    Open& open = open_.back();
    const size_t seen = (stack_.size() - open.start) / 2;
    const std::string_view name(key, length);
    if (seen >= kKeySetFrom) {
      if (!open.keys) {
        open.keys = std::make_unique<std::unordered_set<std::string>>();
        for (size_t i = 0; i < seen; ++i) open.keys->emplace(KeyAt(open, i));
      }
      if (!open.keys->emplace(name).second) open.duplicates = true;
      return;
    }
    const std::uint64_t bit = std::uint64_t{1} << KeyBit(key, length);
    if (open.keyBits & bit) {
      for (size_t i = 0; i < seen && !open.duplicates; ++i)
        open.duplicates = KeyAt(open, i) == name;
    }
    open.keyBits |= bit;
  }

  std::string_view KeyAt(const Open& open, size_t index) const {
    const JsonValue& key = stack_[open.start + 2 * index];
    return std::string_view(key.GetString(), key.GetStringLength());
  }

  // A later value for a name already seen goes to the first place; answers the number of
  // pairs left, packed at the front.
  static size_t FoldDuplicates(JsonValue* pairs, size_t count) {
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
      const std::string_view name(pairs[2 * i].GetString(), pairs[2 * i].GetStringLength());
      size_t j = 0;
      while (j < kept &&
             std::string_view(pairs[2 * j].GetString(), pairs[2 * j].GetStringLength()) != name)
        ++j;
      if (j < kept) {
        pairs[2 * j + 1] = pairs[2 * i + 1];
      } else {
        if (kept != i) {
          pairs[2 * kept] = pairs[2 * i];
          pairs[2 * kept + 1] = pairs[2 * i + 1];
        }
        ++kept;
      }
    }
    return kept;
  }

  JsonAllocator& allocator_;
  bool copyStrings_;
  bool checkSurrogates_;
  std::vector<JsonValue> stack_;
  std::vector<Open> open_;
};

// A number as JSON spells it: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view text) {
  size_t i = 0;
  auto digits = [&] {
    const size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i - start;
  };
  if (i < text.size() && text[i] == '-') ++i;
  const size_t start = i;
  const size_t whole = digits();
  if (whole == 0 || (whole > 1 && text[start] == '0')) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

// The text with every JSON number literal outside strings rewritten in a form RapidJSON
// takes: an overflowing one as Infinity or -Infinity, any other in its shortest form (its
// own exponent may be out of RapidJSON's range though its value is not, as in 0.0e400).
// Nothing when the text holds a bare word other than true, false and null, which the
// second pass would otherwise let through.
std::optional<std::string> SpellOutOverflows(std::string_view text) {
  std::string out;
  out.reserve(text.size() + kPadding);
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    size_t end = i + 1;
    if (c == '"') {
      while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
      end = std::min(end + 1, text.size());
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      while (end < text.size() && std::strchr("0123456789+-.eE", text[end]) && text[end] != '\0')
        ++end;
      const std::string_view literal = text.substr(i, end - i);
      const std::optional<double> number =
          IsJsonNumber(literal) ? ReadDecimal(literal) : std::nullopt;
      if (number) {
        if (std::isinf(*number)) {
          out += *number < 0 ? "-Infinity" : "Infinity";
        } else {
          char shortest[32];
          out.append(shortest, std::to_chars(shortest, shortest + sizeof shortest, *number).ptr);
        }
        i = end;
        continue;
      }
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
      while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
      const std::string_view word = text.substr(i, end - i);
      if (word != "true" && word != "false" && word != "null") return std::nullopt;
    }
    out.append(text, i, end - i);
    i = end;
  }
  return out;
}

constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
constexpr unsigned kInfinityFlags = kFlags | rapidjson::kParseNanAndInfFlag;

// One pass over utf8 (which must end with kPadding zero bytes).
template <unsigned kPassFlags>
rapidjson::ParseErrorCode RunPass(std::string& utf8, bool inSitu, JsonAllocator& allocator,
                                  JsonValue& value) {
  rapidjson::Reader reader;
  const bool hasEscape = std::memchr(utf8.data(), '\\', utf8.size()) != nullptr;
  TreeBuilder builder(allocator, !inSitu, hasEscape);
  rapidjson::ParseResult result;
  if (inSitu) {
    rapidjson::InsituStringStream stream(utf8.data());
    result = reader.Parse<kPassFlags | rapidjson::kParseInsituFlag>(stream, builder);
  } else {
    rapidjson::StringStream stream(utf8.data());
    result = reader.Parse<kPassFlags>(stream, builder);
  }
  if (result.IsError()) return result.Code();
  value = builder.TakeResult();
  return rapidjson::kParseErrorNone;
}

JsonParseOutcome OutcomeOf(rapidjson::ParseErrorCode error) {
  if (error == rapidjson::kParseErrorNone) return JsonParseOutcome::kValue;
  if (error == rapidjson::kParseErrorDocumentEmpty) return JsonParseOutcome::kEmpty;
  return JsonParseOutcome::kRejected;
}

// Runs the parse, and when RapidJSON found a number too big, a second pass over text with
// the numbers respelled. buffer holds the first pass's input (UTF-8 and padding) and is reused.
rapidjson::ParseErrorCode Parse(const Text& text, std::string& buffer, bool inSitu,
                                JsonAllocator& allocator, JsonValue& value) {
  const size_t length = buffer.size();
  buffer.append(kPadding, '\0');
  rapidjson::ParseErrorCode error = RunPass<kFlags>(buffer, inSitu, allocator, value);
  if (error != rapidjson::kParseErrorNumberTooBig) return error;
  // An in-situ pass has rewritten strings in place: start again from the text.
  const std::string original = inSitu ? Utf8FromText(text) : buffer.substr(0, length);
  std::optional<std::string> spelled = SpellOutOverflows(original);
  if (!spelled) return error;
  buffer = std::move(*spelled);
  buffer.append(kPadding, '\0');
  return RunPass<kInfinityFlags>(buffer, inSitu, allocator, value);
}

}  // namespace

JsonParseOutcome ParseDocument(const Text& text, JsonDocument& document) {
  std::string& source = document.source();
  source = Utf8FromText(text);
  JsonValue value;
  const JsonParseOutcome outcome =
      OutcomeOf(Parse(text, source, /*inSitu=*/true, document.allocator(), value));
  switch (outcome) {
    case JsonParseOutcome::kValue:
      document.SetRoot(std::move(value));
      break;
    case JsonParseOutcome::kEmpty:
      document.SetUndefined();
      break;
    case JsonParseOutcome::kRejected:
      document.SetRoot(JsonValue());
      break;
  }
  return outcome;
}

JsonParseOutcome ParseValue(const Text& text, JsonAllocator& allocator, JsonValue& value) {
  std::string buffer = Utf8FromText(text);
  const JsonParseOutcome outcome =
      OutcomeOf(Parse(text, buffer, /*inSitu=*/false, allocator, value));
  if (outcome != JsonParseOutcome::kValue) value.SetNull();
  return outcome;
}

}  // namespace quarvel
