// Splits one fuzzer input into the pieces a routine takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next piece: text up to the next 0x01 byte, or the rest.
  std::string Piece() {
    const size_t end = rest_.find('\x01');
    std::string piece(rest_.substr(0, end));
    rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
    return piece;
  }

  // A small integer from the next byte, in [low, low + 255].
  int Int(int low) {
    if (rest_.empty()) return low;
    const int value = low + static_cast<unsigned char>(rest_.front());
    rest_.remove_prefix(1);
    return value;
  }

  bool Flag() { return Int(0) & 1; }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace quarvel::fuzz
