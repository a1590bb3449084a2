// Code page conversion both ways: never a crash, and valid code page 936 text survives the
// round trip.
#include <cstdlib>

#include "http/code_page.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text text(reinterpret_cast<const char*>(data), size);
  const Bytes wide = AnsiToWide(text);
  if (!text.empty() && text[0] != '\0' && (wide.size() < 4 || wide.size() % 2)) abort();
  const Text back = WideToAnsi(wide);

  // Text made of characters that decode one to one must come back unchanged.
  const std::u16string units = AnsiToUtf16(text);
  if (units.find(u'?') == std::u16string::npos && text.find('?') == std::string::npos &&
      text.find('\0') == std::string::npos) {
    bool precomposable = false;
    for (char16_t u : units) precomposable |= (u >= 0x0300 && u <= 0x036F);
    if (!precomposable && back != text) abort();
  }

  WideToAnsi(Bytes(data, data + size));
  return 0;
}
