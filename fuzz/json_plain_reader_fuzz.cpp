// The quick reader against RapidJSON's: whenever the quick one takes a text, RapidJSON must
// take it too and hand out the very same events.
#include <rapidjson/reader.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "script/json_plain_reader.h"

namespace {

// Writes every event down, one letter and its data each.
class EventLog {
 public:
  bool Null() { return Add("n"); }
  bool Bool(bool b) { return Add(b ? "t" : "f"); }
  bool Int(int) { return Add("?"); }  // not with numbers as strings
  bool Uint(unsigned) { return Add("?"); }
  bool Int64(int64_t) { return Add("?"); }
  bool Uint64(uint64_t) { return Add("?"); }
  bool Double(double) { return Add("?"); }
  bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
    return Add("#", text, length);
  }
  bool String(const char* text, rapidjson::SizeType length, bool) { return Add("s", text, length); }
  bool Key(const char* text, rapidjson::SizeType length, bool) { return Add("k", text, length); }
  bool StartObject() { return Add("{"); }
  bool EndObject(rapidjson::SizeType count) { return Add("}" + std::to_string(count)); }
  bool StartArray() { return Add("["); }
  bool EndArray(rapidjson::SizeType count) { return Add("]" + std::to_string(count)); }

  const std::string& text() const { return log_; }

 private:
  bool Add(const std::string& tag, const char* text = nullptr, size_t length = 0) {
    log_ += tag;
    log_ += std::to_string(length);
    log_ += ':';
    if (text) log_.append(text, length);
    return true;
  }
  std::string log_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  EventLog quick;
  if (!quarvel::ReadPlainJson(text, quick)) return 0;
  EventLog full;
  rapidjson::Reader reader;
  rapidjson::StringStream stream(text.c_str());
  constexpr unsigned kFlags =
      rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
  if (reader.Parse<kFlags>(stream, full).IsError() || full.text() != quick.text()) abort();
  return 0;
}
