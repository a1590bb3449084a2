// The TCP port list filled exactly as the port view does it, through JsonObject.
#pragma once

#include <string>

#include "script/json_object.h"

namespace quarvel::bench {

// One line per port, each ending with CR LF; an empty string when the reply does not parse.
inline std::string FillPortList(const Text& reply) {
  std::string lines;
  JsonObject json;
  if (!json.Parse(reply)) return lines;
  const int count = json.MemberCount("proxies");
  for (int i = 0; i < count; ++i) {
    const JsonObject port =
        json.ValueObject("proxies[" + std::to_string(i) + "].conf['remote_port']");
    const Text text = port.ToJsonText();
    if (!text.empty()) {
      lines += text;
      lines += "\r\n";
    }
  }
  return lines;
}

}  // namespace quarvel::bench
