// A quick reader for the plainest JSON, the kind dashboard replies are: ASCII strings without
// escapes, whole numbers, no syntax trouble. For such a text it hands handler exactly the
// events RapidJSON's reader gives with numbers as strings; for anything else it gives up, and
// the caller reads the text the full way.
#pragma once

#include <rapidjson/rapidjson.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace quarvel {

namespace plain_json {

inline bool IsSpace(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The high bit of each byte in word that ends a plain string or rules it out: '"', '\\', a
// control character or a byte beyond ASCII. Bytes after the first such one may be marked
// wrongly, the first one never.
inline std::uint64_t StopBytes(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  return zeroBytes(word ^ (kOnes * '"')) | zeroBytes(word ^ (kOnes * '\\')) |
         ((word - kOnes * 0x20) & ~word & kHighs) | (word & kHighs);
}

}  // namespace plain_json

// Reads text into handler's events. False when the text is not plain (a NUL byte anywhere
// included) or not JSON, or when handler refuses an event; handler may then hold a part of
// the value.
template <typename Handler>
bool ReadPlainJson(std::string_view text, Handler& handler) {
  using plain_json::IsDigit;
  using plain_json::IsSpace;
  const char* p = text.data();
  const char* const end = p + text.size();
  const auto skipSpace = [&] {
    while (p != end && IsSpace(*p)) ++p;
  };
  // Reads the string whose opening quote p is at; sets start and length.
  const auto readString = [&](const char*& start, rapidjson::SizeType& length) {
    start = ++p;
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      const std::uint64_t stops = plain_json::StopBytes(word);
      if (stops != 0) {
        // The first byte in memory is the lowest one on a little-endian machine.
        if constexpr (std::endian::native == std::endian::little) p += std::countr_zero(stops) / 8;
        break;
      }
      p += 8;
    }
    for (; p != end; ++p) {
      const auto c = static_cast<unsigned char>(*p);
      if (c == '"') {
        length = static_cast<rapidjson::SizeType>(p++ - start);
        return true;
      }
      if (c == '\\' || c < 0x20 || c >= 0x80) return false;
    }
    return false;
  };
  const auto readWord = [&](std::string_view word) {
    if (static_cast<size_t>(end - p) < word.size() || std::memcmp(p, word.data(), word.size()) != 0)
      return false;
    p += word.size();
    return true;
  };

  struct Open {
    bool object;
    rapidjson::SizeType count;
  };
  std::vector<Open> open;
  enum class Expect { kValue, kName, kNext } expect = Expect::kValue;
  skipSpace();
  if (p == end) return false;  // empty: the full reader says how
  for (;;) {
    if (expect == Expect::kName) {
      const char* start;
      rapidjson::SizeType length;
      if (p == end || *p != '"' || !readString(start, length) || !handler.Key(start, length, false))
        return false;
      skipSpace();
      if (p == end || *p != ':') return false;
      ++p;
      skipSpace();
      expect = Expect::kValue;
      continue;
    }
    if (expect == Expect::kNext) {
      skipSpace();
      if (open.empty()) return p == end;
      Open& top = open.back();
      ++top.count;
      if (p == end) return false;
      if (*p == ',') {
        ++p;
        skipSpace();
        expect = top.object ? Expect::kName : Expect::kValue;
        continue;
      }
      if (*p != (top.object ? '}' : ']')) return false;
      ++p;
      const Open closed = top;
      open.pop_back();
      if (!(closed.object ? handler.EndObject(closed.count) : handler.EndArray(closed.count)))
        return false;
      continue;
    }
    // A value, at p.
    if (p == end) return false;
    bool accepted;
    switch (*p) {
      case '{':
      case '[': {
        const bool object = *p++ == '{';
        if (!(object ? handler.StartObject() : handler.StartArray())) return false;
        skipSpace();
        if (p != end && *p == (object ? '}' : ']')) {
          ++p;
          accepted = object ? handler.EndObject(0) : handler.EndArray(0);
          break;
        }
        open.push_back(Open{object, 0});
        expect = object ? Expect::kName : Expect::kValue;
        continue;
      }
      case '"': {
        const char* start;
        rapidjson::SizeType length;
        accepted = readString(start, length) && handler.String(start, length, false);
        break;
      }
      case 't':
        accepted = readWord("true") && handler.Bool(true);
        break;
      case 'f':
        accepted = readWord("false") && handler.Bool(false);
        break;
      case 'n':
        accepted = readWord("null") && handler.Null();
        break;
      default: {
        // -?(0|[1-9][0-9]*), no fraction or exponent, at most 15 characters.
        const char* start = p;
        if (*p == '-') ++p;
        if (p == end || !IsDigit(*p)) return false;
        if (*p++ != '0') {
          while (p != end && IsDigit(*p)) ++p;
        }
        if (p != end && (*p == '.' || *p == 'e' || *p == 'E')) return false;
        const auto length = static_cast<rapidjson::SizeType>(p - start);
        accepted = length <= 15 && handler.RawNumber(start, length, false);
        break;
      }
    }
    if (!accepted) return false;
    expect = Expect::kNext;
  }
}

}  // namespace quarvel
