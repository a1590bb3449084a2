#include "script/json_parse.h"

#include <rapidjson/reader.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "script/json_encoding.h"
#include "script/json_number.h"
#include "script/json_plain_reader.h"

namespace quarvel {
namespace {

constexpr double kLargestExactInteger = 9007199254740992.0;  // 2^53

using TreeDocument = rapidjson::GenericDocument<rapidjson::UTF8<>, JsonAllocator>;

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

// memcmp(a, b, length) == 0 for the short texts of member names, without a library call.
bool SameBytes(const char* a, const char* b, size_t length) {
  for (; length >= 8; a += 8, b += 8, length -= 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    if (x != y) return false;
  }
  for (; length > 0; --length) {
    if (*a++ != *b++) return false;
  }
  return true;
}

// A quick hash of a member name, eight bytes at a time. A collision costs time, never a wrong
// answer: names are always compared in full before they count as equal.
std::uint64_t NameHash(const char* text, size_t length) {
  std::uint64_t hash = length * 0x9E3779B97F4A7C15ULL;
  const auto mix = [&hash](std::uint64_t word) {
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 32;
  };
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text + i, sizeof word);
    mix(word);
  }
  if (i < length) {
    std::uint64_t word = 0;
    if (length >= 8) {
      std::memcpy(&word, text + length - 8, sizeof word);  // the last eight, again in part
    } else {
      for (size_t k = 0; k < length; ++k) word = (word << 8) | static_cast<unsigned char>(text[k]);
    }
    mix(word);
  }
  return hash ^ (hash >> 29);
}

// Member names repeat from object to object (every proxy has the same ones): each distinct
// name is kept once in the pool and the members refer to it. The table is bounded; when a
// name finds no room near its place, it takes the first one and the name there merely gets
// a second copy later.
class NameCache {
 public:
  explicit NameCache(JsonAllocator& allocator) : allocator_(allocator), slots_(kSlots) {}

  const char* Intern(const char* text, rapidjson::SizeType length, std::uint64_t hash) {
    const size_t home = static_cast<size_t>(hash) & (kSlots - 1);
    Slot* target = &slots_[home];
    for (size_t probe = 0; probe < kProbes; ++probe) {
      Slot& slot = slots_[(home + probe) & (kSlots - 1)];
      if (!slot.text) {
        target = &slot;
        break;
      }
      if (slot.hash == hash && slot.length == length && SameBytes(slot.text, text, length))
        return slot.text;
    }
    char* copy = static_cast<char*>(allocator_.Malloc(length + 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    *target = Slot{copy, length, hash};
    return copy;
  }

 private:
  static constexpr size_t kSlots = 1024;  // a power of two
  static constexpr size_t kProbes = 8;
  struct Slot {
    const char* text = nullptr;
    rapidjson::SizeType length = 0;
    std::uint64_t hash = 0;
  };
  JsonAllocator& allocator_;
  std::vector<Slot> slots_;
};

// Watches the member names of every open object for a repeat. Names are compared by hash,
// so a repeat is only likely: FoldDuplicateMembers then settles it on the finished value.
class RepeatWatch {
 public:
  void OpenObject() { objects_.push_back(Object{hashes_.size(), 0, nullptr}); }
  void CloseObject() {
    hashes_.resize(objects_.back().start);
    objects_.pop_back();
  }

  void NoteName(std::uint64_t hash) {
    Object& object = objects_.back();
    const size_t seen = hashes_.size() - object.start;
    if (object.large) {
      likely_ |= !object.large->insert(hash).second;
      return;
    }
    // A short scan beats a set for the few names of a usual object, and one bit per name
    // spares most scans.
    const std::uint64_t bit = std::uint64_t{1} << (hash >> 58);
    if (object.bits & bit) {
      for (size_t i = object.start; i < hashes_.size(); ++i) likely_ |= hashes_[i] == hash;
    }
    object.bits |= bit;
    hashes_.push_back(hash);
    if (seen + 1 == kScanLimit) {
      object.large = std::make_unique<std::unordered_set<std::uint64_t>>(
          hashes_.begin() + static_cast<std::ptrdiff_t>(object.start), hashes_.end());
    }
  }

  bool likely() const { return likely_; }

 private:
  static constexpr size_t kScanLimit = 32;
  struct Object {
    size_t start;        // in hashes_
    std::uint64_t bits;  // one per name seen, picked by its hash
    std::unique_ptr<std::unordered_set<std::uint64_t>> large;
  };
  std::vector<std::uint64_t> hashes_;
  std::vector<Object> objects_;
  bool likely_ = false;
};

// Feeds RapidJSON's events into a document, converting numbers the project's own way,
// rejecting lone surrogates and noticing repeated member names.
class TreeBuilder {
 public:
  // checkStrings: strings may hold bytes beyond ASCII, to be checked; without it every
  // string is known to be ASCII. codePageText: the text being read is the caller's code
  // page 936 text as it stands, which is only right while it is ASCII; the first string
  // beyond ASCII then asks for the whole text to be looked at, and stops the parse when it
  // is not ASCII.
  TreeBuilder(TreeDocument& document, JsonAllocator& allocator, bool checkStrings,
              std::string_view codePageText)
      : document_(document),
        names_(allocator),
        checkStrings_(checkStrings),
        codePageText_(codePageText) {}

  bool Null() { return document_.Null(); }
  bool Bool(bool b) { return document_.Bool(b); }
  bool Int(int i) { return document_.Int(i); }
  bool Uint(unsigned u) { return document_.Uint(u); }
  bool Int64(int64_t i) {
    // Past 2^53 the script engine holds the nearest double, not the integer.
    if (std::fabs(static_cast<double>(i)) > kLargestExactInteger)
      return Double(static_cast<double>(i));
    return document_.Int64(i);
  }
  bool Uint64(uint64_t u) {
    if (static_cast<double>(u) > kLargestExactInteger) return Double(static_cast<double>(u));
    return document_.Uint64(u);
  }
  bool Double(double d) { return !std::isnan(d) && document_.Double(d); }
  // Numbers come as their text and are converted here: RapidJSON 1.1's own full-precision
  // conversion misreads a zero with an exponent ("0e40").
  bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
    if (length <= 15) {
      // Plain integers (ports, counters) first: digits only, maybe a minus sign.
      std::int64_t whole = 0;
      const auto [end, error] = std::from_chars(text, text + length, whole);
      if (error == std::errc() && end == text + length) return document_.Int64(whole);
    }
    const std::string_view literal(text, length);
    if (literal == "Infinity" || literal == "-Infinity") {
      return Double(literal[0] == '-' ? -HUGE_VAL : HUGE_VAL);
    }
    const std::optional<double> number = ReadDecimal(literal);
    return number && Double(*number);
  }

  bool String(const char* text, rapidjson::SizeType length, bool) {
    if (!AcceptBytes(text, length)) return false;
    return document_.String(text, length, /*copy=*/true);
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    if (!AcceptBytes(text, length)) return false;
    const std::uint64_t hash = NameHash(text, length);
    repeats_.NoteName(hash);
    return document_.String(names_.Intern(text, length, hash), length, /*copy=*/false);
  }

  bool StartObject() {
    repeats_.OpenObject();
    return document_.StartObject();
  }
  bool EndObject(rapidjson::SizeType count) {
    repeats_.CloseObject();
    return document_.EndObject(count);
  }
  bool StartArray() { return document_.StartArray(); }
  bool EndArray(rapidjson::SizeType count) { return document_.EndArray(count); }

  bool repeatedNamesLikely() const { return repeats_.likely(); }
  // The parse stopped because the text is not ASCII and must be converted first.
  bool needsConversion() const { return needsConversion_; }

 private:
  bool AcceptBytes(const char* text, size_t length) {
    if (!checkStrings_ || IsAscii(std::string_view(text, length))) return true;
    if (!codePageText_.empty()) {
      if (!IsAscii(codePageText_)) {
        needsConversion_ = true;
        return false;
      }
      codePageText_ = {};  // ASCII after all: the bytes came from \u escapes
    }
    return !HasLoneSurrogate(text, length);
  }

  TreeDocument& document_;
  NameCache names_;
  RepeatWatch repeats_;
  bool checkStrings_;
  std::string_view codePageText_;
  bool needsConversion_ = false;
};

// Where a name repeats in object, the later value goes to the first name's place and the
// later member is dropped.
void FoldObject(JsonValue& object) {
  const rapidjson::SizeType count = object.MemberCount();
  if (count < 2) return;
  auto* members = &*object.MemberBegin();
  const auto nameOf = [](const JsonValue& name) {
    return std::string_view(name.GetString(), name.GetStringLength());
  };
  std::unordered_map<std::string_view, rapidjson::SizeType> places;
  const bool useMap = count > 16;
  rapidjson::SizeType kept = 0;
  for (rapidjson::SizeType i = 0; i < count; ++i) {
    const std::string_view name = nameOf(members[i].name);
    rapidjson::SizeType j = kept;
    if (useMap) {
      const auto place = places.find(name);
      if (place != places.end()) j = place->second;
    } else {
      for (j = 0; j < kept && nameOf(members[j].name) != name;) ++j;
    }
    if (j < kept) {
      members[j].value = members[i].value;  // moves
      continue;
    }
    if (kept != i) {
      members[kept].name = members[i].name;
      members[kept].value = members[i].value;
    }
    // A short name sits inside the member itself: take the view where it now stays.
    if (useMap) places.emplace(nameOf(members[kept].name), kept);
    ++kept;
  }
  while (object.MemberCount() > kept)  // the moved-from tail, from its end
    object.EraseMember(object.MemberBegin() + (object.MemberCount() - 1));
}

void FoldDuplicateMembers(JsonValue& root) {
  std::vector<JsonValue*> pending{&root};
  while (!pending.empty()) {
    JsonValue* value = pending.back();
    pending.pop_back();
    if (value->IsObject()) {
      FoldObject(*value);
      for (auto m = value->MemberBegin(); m != value->MemberEnd(); ++m) {
        if (m->value.IsObject() || m->value.IsArray()) pending.push_back(&m->value);
      }
    } else if (value->IsArray()) {
      for (auto& item : value->GetArray()) {
        if (item.IsObject() || item.IsArray()) pending.push_back(&item);
      }
    }
  }
}

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
  out.reserve(text.size());
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

// Room for the values of one big array or object before the document's stack must grow.
constexpr size_t kStackCapacity = size_t{64} << 10;

// The result of one reading of a text.
struct Pass {
  rapidjson::ParseErrorCode error = rapidjson::kParseErrorNone;
  bool needsConversion = false;
};

// Builds a value from one reading of a text: read hands builder the text's events and answers
// RapidJSON's error code. checkStrings and codePageText as for TreeBuilder.
template <typename Read>
Pass BuildValue(const Read& read, bool checkStrings, std::string_view codePageText,
                JsonAllocator& allocator, JsonValue& value) {
  TreeDocument document(&allocator, kStackCapacity);
  TreeBuilder builder(document, allocator, checkStrings, codePageText);
  rapidjson::ParseErrorCode error = rapidjson::kParseErrorNone;
  auto generate = [&](TreeDocument&) {
    error = read(builder);
    return error == rapidjson::kParseErrorNone;
  };
  document.Populate(generate);
  if (error != rapidjson::kParseErrorNone) return Pass{error, builder.needsConversion()};
  if (builder.repeatedNamesLikely()) FoldDuplicateMembers(document);
  value = static_cast<JsonValue&>(document);  // moves; the pool keeps the contents
  return Pass{};
}

// Zero bytes after a text for RapidJSON: it stops at the first, and its vector loads may
// read a whole aligned block past it.
constexpr size_t kPadding = 16;

// One RapidJSON pass over text, from a padded copy that lives for the pass alone (every
// string is copied into the pool).
template <unsigned kPassFlags>
Pass RunPass(std::string_view text, std::string_view codePageText, JsonAllocator& allocator,
             JsonValue& value) {
  std::string padded;
  padded.reserve(text.size() + kPadding);
  padded.append(text);
  padded.append(kPadding, '\0');
  return BuildValue(
      [&padded](TreeBuilder& builder) {
        rapidjson::Reader reader;
        rapidjson::StringStream stream(padded.c_str());
        return reader.Parse<kPassFlags>(stream, builder).Code();
      },
      /*checkStrings=*/true, codePageText, allocator, value);
}

// Reads text (UTF-8, or with codePage the caller's text, which is read as it stands only
// while it is ASCII), and when RapidJSON found a number too big, reads it again with the
// numbers respelled.
Pass ReadText(std::string_view text, bool codePage, JsonAllocator& allocator, JsonValue& value) {
  const std::string_view codePageText = codePage ? text : std::string_view();
  Pass pass = RunPass<kFlags>(text, codePageText, allocator, value);
  if (pass.error != rapidjson::kParseErrorNumberTooBig) return pass;
  if (codePage && !IsAscii(text)) return Pass{pass.error, true};
  const std::optional<std::string> spelled = SpellOutOverflows(text);
  if (!spelled) return pass;
  return RunPass<kInfinityFlags>(*spelled, {}, allocator, value);
}

JsonParseOutcome OutcomeOf(rapidjson::ParseErrorCode error) {
  if (error == rapidjson::kParseErrorNone) return JsonParseOutcome::kValue;
  if (error == rapidjson::kParseErrorDocumentEmpty) return JsonParseOutcome::kEmpty;
  return JsonParseOutcome::kRejected;
}

rapidjson::ParseErrorCode Parse(const Text& text, JsonAllocator& allocator, JsonValue& value) {
  // A reading that fails leaves its pieces in the pool; when nothing else lives there, they
  // can go before the next try.
  const bool poolWasEmpty = allocator.Size() == 0;
  const auto dropPieces = [&] {
    if (poolWasEmpty) allocator.Clear();
  };
  // Replies are nearly always ASCII, the same bytes in both encodings, and plain: the quick
  // reader takes them where they are. It gives up at a NUL, so it may be handed the whole
  // text. Anything else goes to RapidJSON, and is converted only when it turns out not to be
  // ASCII.
  const auto readPlain = [&text](TreeBuilder& builder) {
    return ReadPlainJson(text, builder) ? rapidjson::kParseErrorNone
                                        : rapidjson::kParseErrorTermination;
  };
  if (BuildValue(readPlain, /*checkStrings=*/false, {}, allocator, value).error ==
      rapidjson::kParseErrorNone)
    return rapidjson::kParseErrorNone;
  dropPieces();
  const std::string_view asGiven(text.c_str(), strnlen(text.c_str(), text.size()));
  Pass pass = ReadText(asGiven, /*codePage=*/true, allocator, value);
  if (pass.needsConversion || (pass.error != rapidjson::kParseErrorNone && !IsAscii(asGiven))) {
    dropPieces();
    pass = ReadText(Utf8FromText(text), /*codePage=*/false, allocator, value);
  }
  if (pass.error != rapidjson::kParseErrorNone) dropPieces();
  return pass.error;
}

}  // namespace

JsonParseOutcome ParseDocument(const Text& text, JsonDocument& document) {
  JsonValue value;
  const JsonParseOutcome outcome = OutcomeOf(Parse(text, document.allocator(), value));
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
  const JsonParseOutcome outcome = OutcomeOf(Parse(text, allocator, value));
  if (outcome != JsonParseOutcome::kValue) value.SetNull();
  return outcome;
}

}  // namespace quarvel
