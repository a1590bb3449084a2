// The value holder behind JsonObject: one JSON value in a pool, shared by an object and
// its copies. Everything in the value lives in the holder's pool, so dropping the holder
// frees it all at once, however deep.
#pragma once

// RapidJSON's vector paths read whole aligned blocks, which AddressSanitizer reports when
// they reach past a buffer; the sanitizer build takes the plain byte loops instead.
#if !defined(__SANITIZE_ADDRESS__) && !defined(RAPIDJSON_SSE42) && !defined(RAPIDJSON_SSE2)
#if defined(__SSE4_2__)
#define RAPIDJSON_SSE42
#elif defined(__SSE2__)
#define RAPIDJSON_SSE2
#endif
#endif
#include <rapidjson/document.h>

#include <array>

namespace quarvel {

using JsonAllocator = rapidjson::MemoryPoolAllocator<>;
using JsonValue = rapidjson::GenericValue<rapidjson::UTF8<>, JsonAllocator>;

class JsonDocument {
 public:
  // An empty object, like a freshly declared variable.
  JsonDocument();
  explicit JsonDocument(size_t chunkSize);
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  JsonAllocator& allocator() { return allocator_; }

  // The value; meaningless while undefined() holds.
  JsonValue& root() { return root_; }
  const JsonValue& root() const { return root_; }

  // A variable can be undefined, which JSON cannot say: an empty text parsed, or a copy
  // of a path that names nothing.
  bool undefined() const { return undefined_; }
  void SetUndefined();

  // Puts value (already in this holder's pool) in place of the whole value.
  void SetRoot(JsonValue&& value);

  // Where the member that step depth of a path named was found last time. Reads of the
  // same path in one object after another (proxies[i].conf...) mostly find it there again.
  rapidjson::SizeType& PlaceHint(size_t depth) const {
    return placeHints_[depth < placeHints_.size() ? depth : placeHints_.size() - 1];
  }

  // Replaces the whole value with an empty object or array and frees everything the old
  // value used.
  void ResetTo(rapidjson::Type type);

 private:
  JsonAllocator allocator_;
  JsonValue root_;
  bool undefined_ = false;
  mutable std::array<rapidjson::SizeType, 8> placeHints_{};
};

}  // namespace quarvel
