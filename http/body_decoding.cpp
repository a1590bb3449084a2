#include "http/body_decoding.h"

#include <algorithm>
#include <optional>

#include "http/charset.h"
#include "http/pending_events.h"
#include "script/regex_object.h"

namespace quarvel {
namespace {

// The charset an HTML page declares in a meta tag near its start.
constexpr char kCharsetPattern[] = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr size_t kDetectionWindow = 1024;

}  // namespace

Text DecodeResponseBody(const Bytes& body, RegexObject& regex) {
  const auto firstZero = std::find(body.begin(), body.end(), std::uint8_t{0});
  Text text(body.begin(), firstZero);

  if (!regex.Search(kCharsetPattern, text.substr(0, kDetectionWindow))) return text;

  const Text charset = regex.SubmatchText(1, 1);
  if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
    // The whole body is decoded, zero bytes included. A charset that cannot be decoded
    // leaves the text as it came rather than losing it.
    if (std::optional<Text> decoded = ConvertCharsetToAnsi(body, charset)) {
      text = std::move(*decoded);
    }
  }
  ProcessPendingEvents();
  return text;
}

}  // namespace quarvel
