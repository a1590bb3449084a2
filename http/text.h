// Text and Bytes: the two value types every part of Quarvel passes around.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

// A string in code page 936 (GBK). Lengths and positions count bytes; positions are
// 1-based and a search that finds nothing answers -1. The empty text stands for an
// absent one too.
using Text = std::string;

// A length-counted buffer of any bytes, zero bytes included.
using Bytes = std::vector<std::uint8_t>;

inline Text TextOf(const Bytes& bytes) { return Text(bytes.begin(), bytes.end()); }
inline Bytes BytesOf(const Text& text) { return Bytes(text.begin(), text.end()); }

}  // namespace quarvel
