// The value holder behind JsonObject: one JSON value in a pool, shared by an object and
// its copies. Everything in the value lives in the holder's pool (or, for a parsed reply,
// in its source buffer), so dropping the holder frees it all at once, however deep.
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

#include <string>

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

  // Replaces the whole value with an empty object or array and frees everything the old
  // value used.
  void ResetTo(rapidjson::Type type);

  // The buffer that a parsed text's strings point into; it lives as long as the holder.
  std::string& source() { return source_; }

 private:
  JsonAllocator allocator_;
  std::string source_;
  JsonValue root_;
  bool undefined_ = false;
};

}  // namespace quarvel
