// What the server-information box shows when a start-up reply could not be read.
#pragma once

#include <string_view>

namespace quarvel {

inline constexpr std::string_view FailureText =
    "\xca\xfd\xbe\xdd\xbb\xf1\xc8\xa1\xca\xa7\xb0\xdc";  // 数据获取失败

}  // namespace quarvel
