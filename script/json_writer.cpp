#include "script/json_writer.h"

#include <cmath>
#include <vector>

#include "script/json_number.h"

namespace quarvel {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendUnicodeEscape(char32_t code, std::string& out) {
  const char escape[6] = {'\\',
                          'u',
                          kHexDigits[(code >> 12) & 0xF],
                          kHexDigits[(code >> 8) & 0xF],
                          kHexDigits[(code >> 4) & 0xF],
                          kHexDigits[code & 0xF]};
  out.append(escape, sizeof escape);
}

// Characters beyond ASCII that the engine writes as \u escapes: invisible format and
// separator characters that would otherwise pass unnoticed or break a script.
bool NeedsEscape(char32_t code) {
  return (code >= 0x7F && code <= 0x9F) || code == 0xAD || (code >= 0x600 && code <= 0x604) ||
         code == 0x70F || code == 0x17B4 || code == 0x17B5 || (code >= 0x200C && code <= 0x200F) ||
         (code >= 0x2028 && code <= 0x202F) || (code >= 0x2060 && code <= 0x206F) ||
         code == 0xFEFF || code >= 0xFFF0;
}

// Only these lead bytes begin a character that NeedsEscape picks.
bool MayNeedEscape(unsigned char lead) {
  return lead == 0xC2 || lead == 0xD8 || lead == 0xDC || lead == 0xE1 || lead == 0xE2 ||
         lead == 0xEF;
}

void AppendScalar(const JsonValue& value, std::string& out) {
  switch (value.GetType()) {
    case rapidjson::kNullType:
      out += "null";
      break;
    case rapidjson::kFalseType:
      out += "false";
      break;
    case rapidjson::kTrueType:
      out += "true";
      break;
    case rapidjson::kStringType:
      AppendQuotedString(std::string_view(value.GetString(), value.GetStringLength()), out);
      break;
    case rapidjson::kNumberType: {
      const double number = value.GetDouble();
      if (std::isfinite(number)) {
        AppendScriptNumber(number, out);
      } else {
        out += "null";
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace

void AppendQuotedString(std::string_view text, std::string& out) {
  out += '"';
  size_t run = 0;  // start of the bytes not yet copied
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') continue;
    if (c >= 0x80) {
      if (!MayNeedEscape(c) || i + 1 >= text.size()) continue;
      const size_t length = c < 0xE0 ? 2 : 3;
      if (i + length > text.size()) continue;
      char32_t code = length == 2 ? (c & 0x1F) : (c & 0x0F);
      for (size_t k = 1; k < length; ++k) code = (code << 6) | (text[i + k] & 0x3F);
      if (NeedsEscape(code)) {
        out.append(text.data() + run, i - run);
        AppendUnicodeEscape(code, out);
        run = i + length;
      }
      i += length - 1;
      continue;
    }
    out.append(text.data() + run, i - run);
    run = i + 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        AppendUnicodeEscape(c, out);
        break;
    }
  }
  out.append(text.data() + run, text.size() - run);
  out += '"';
}

void AppendJsonText(const JsonValue& value, std::string& out) {
  if (!value.IsObject() && !value.IsArray()) {
    AppendScalar(value, out);
    return;
  }
  // One frame per open object or array: the container and the next member or element.
  struct Frame {
    const JsonValue* container;
    rapidjson::SizeType next;
  };
  std::vector<Frame> open;
  out += value.IsObject() ? '{' : '[';
  open.push_back({&value, 0});
  while (!open.empty()) {
    Frame& frame = open.back();
    const JsonValue* item;
    if (frame.container->IsObject()) {
      if (frame.next == frame.container->MemberCount()) {
        out += '}';
        open.pop_back();
        continue;
      }
      const auto& member = frame.container->MemberBegin()[frame.next];
      if (frame.next++ > 0) out += ',';
      AppendQuotedString(std::string_view(member.name.GetString(), member.name.GetStringLength()),
                         out);
      out += ':';
      item = &member.value;
    } else {
      if (frame.next == frame.container->Size()) {
        out += ']';
        open.pop_back();
        continue;
      }
      if (frame.next > 0) out += ',';
      item = &(*frame.container)[frame.next++];
    }
    if (item->IsObject() || item->IsArray()) {
      out += item->IsObject() ? '{' : '[';
      open.push_back({item, 0});  // frame is not used after this
    } else {
      AppendScalar(*item, out);
    }
  }
}

}  // namespace quarvel
