#include "http/body_decoding.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "http/charset.h"
#include "http/pending_events.h"
#include "script/regex_object.h"

namespace quarvel {
namespace {

// The charset an HTML page declares in a meta tag near its start.
constexpr char kCharsetPattern[] = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr size_t kDetectionWindow = 1024;

// text is the body up to its first zero byte; wholeBody all of its bytes, and it may be
// text itself. Replaces text by the conversion when the page declares a foreign charset.
void ApplyDeclaredCharset(Text& text, std::string_view wholeBody, RegexObject& regex) {
  if (!regex.Search(kCharsetPattern, text.substr(0, kDetectionWindow))) return;

  const Text charset = regex.SubmatchText(1, 1);
  if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
    // The whole body is decoded, zero bytes included. A charset that cannot be decoded
    // leaves the text as it came rather than losing it.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(wholeBody.data());
    if (std::optional<Text> decoded =
            ConvertCharsetToAnsi(Bytes(bytes, bytes + wholeBody.size()), charset)) {
      text = std::move(*decoded);
    }
  }
  ProcessPendingEvents();
}

}  // namespace

Text DecodeResponseBody(const Bytes& body, RegexObject& regex) {
  const std::string_view wholeBody(reinterpret_cast<const char*>(body.data()), body.size());
  Text text(wholeBody.substr(0, wholeBody.find('\0')));
  ApplyDeclaredCharset(text, wholeBody, regex);
  return text;
}

Text DecodeResponseBody(std::string&& body, RegexObject& regex) {
  const size_t firstZero = body.find('\0');
  if (firstZero == std::string::npos) {
    Text text = std::move(body);
    ApplyDeclaredCharset(text, text, regex);
    return text;
  }
  Text text = body.substr(0, firstZero);
  ApplyDeclaredCharset(text, body, regex);
  return text;
}

}  // namespace quarvel
