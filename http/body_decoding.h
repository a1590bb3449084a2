// Turning a response body into Text.
#pragma once

#include "http/text.h"

namespace quarvel {

class RegexObject;

// The body up to its first zero byte, taken as code page 936 text; an HTML page whose meta
// tag declares another charset than "gbk" or "gb2312" is converted from that charset.
Text DecodeResponseBody(const Bytes& body, RegexObject& regex);

// The same for body bytes held in a string, which the call consumes: a body without a zero
// byte that needs no conversion becomes the result as it is, without being copied.
Text DecodeResponseBody(std::string&& body, RegexObject& regex);

}  // namespace quarvel
