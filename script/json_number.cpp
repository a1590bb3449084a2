#include "script/json_number.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace quarvel {

void AppendScriptNumber(double value, std::string& out) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-Infinity" : "Infinity";
    return;
  }
  if (value == 0) {  // -0 too
    out += '0';
    return;
  }
  // Whole numbers below 2^53 are the usual case (ports, counters, times).
  if (std::fabs(value) < 9007199254740992.0 && value == std::trunc(value)) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value)).ptr;
    out.append(digits, end);
    return;
  }

  // Shortest round-trip digits in scientific form: [-]d[.ddd]e[+-]x.
  char buffer[40];
  auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
  std::string_view sci(buffer, static_cast<size_t>(end - buffer));
  if (sci.front() == '-') {
    out += '-';
    sci.remove_prefix(1);
  }
  const size_t ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos)) {
    if (c != '.') digits += c;
  }
  int exponent = 0;
  std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(),
                  exponent);

  // The names k and n follow the standard's algorithm: k digits, value = digits * 10^(n-k).
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;
  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out.append(digits, 0, static_cast<size_t>(n));
    out += '.';
    out.append(digits, static_cast<size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-n), '0');
    out += digits;
  } else {
    out += digits[0];
    if (k > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += 'e';
    out += n - 1 < 0 ? '-' : '+';
    out += std::to_string(std::abs(n - 1));
  }
}

std::string FormatG13(double value) {
  char buffer[40];
  const int length = std::snprintf(buffer, sizeof buffer, "%.13g", value);
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::optional<double> ReadDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  // from_chars takes no leading "+", and words such as "inf" or "nan" are no literal here.
  if (*first == '+') ++first;
  const char* digit = first != last && *first == '-' ? first + 1 : first;
  if (digit == last || !(std::isdigit(static_cast<unsigned char>(*digit)) || *digit == '.')) {
    return std::nullopt;
  }
  double value = 0;
  const auto [ptr, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (ptr != last) return std::nullopt;
  if (error == std::errc::result_out_of_range) {
    // Too large or too small for a double: decide by where the first significant digit
    // stands, value = 0.d... * 10^(position + exponent).
    const bool negative = *first == '-';
    long long position = 0;
    bool seenPoint = false, seenDigit = false;
    const char* p = digit;
    for (; p != last && *p != 'e' && *p != 'E'; ++p) {
      if (*p == '.') {
        seenPoint = true;
      } else if (*p != '0' || seenDigit) {
        seenDigit = true;
        if (!seenPoint) ++position;
      } else if (seenPoint) {
        --position;  // a zero between the point and the first significant digit
      }
    }
    long long exponent = 0;
    if (p != last) {
      ++p;
      const bool negativeExponent = *p == '-';
      if (*p == '-' || *p == '+') ++p;
      for (; p != last; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1000000000LL);
      if (negativeExponent) exponent = -exponent;
    }
    if (position + exponent > 0) return negative ? -HUGE_VAL : HUGE_VAL;
    return negative ? -0.0 : 0.0;
  }
  if (error != std::errc()) return std::nullopt;
  return value;
}

}  // namespace quarvel
