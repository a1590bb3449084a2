#include "http/combining_marks.h"

#include <array>

namespace quarvel {
namespace {

struct Composition {
  char16_t base;
  char16_t mark;
  char16_t letter;
};

// Every letter of code page 936 that Unicode decomposes into a base and one mark. Letters
// such as U+00FC take a second mark, so ComposeMarks applies the table repeatedly.
constexpr std::array<Composition, 28> kCompositions{{
    {u'a', 0x0300, 0x00E0},   {u'a', 0x0301, 0x00E1},   {u'a', 0x0304, 0x0101},
    {u'a', 0x030C, 0x01CE},   {u'e', 0x0300, 0x00E8},   {u'e', 0x0301, 0x00E9},
    {u'e', 0x0302, 0x00EA},   {u'e', 0x0304, 0x0113},   {u'e', 0x030C, 0x011B},
    {u'i', 0x0300, 0x00EC},   {u'i', 0x0301, 0x00ED},   {u'i', 0x0304, 0x012B},
    {u'i', 0x030C, 0x01D0},   {u'o', 0x0300, 0x00F2},   {u'o', 0x0301, 0x00F3},
    {u'o', 0x0304, 0x014D},   {u'o', 0x030C, 0x01D2},   {u'u', 0x0300, 0x00F9},
    {u'u', 0x0301, 0x00FA},   {u'u', 0x0304, 0x016B},   {u'u', 0x030C, 0x01D4},
    {u'u', 0x0308, 0x00FC},   {0x00FC, 0x0300, 0x01DC}, {0x00FC, 0x0301, 0x01D8},
    {0x00FC, 0x0304, 0x01D6}, {0x00FC, 0x030C, 0x01DA}, {u'n', 0x0301, 0x0144},
    {u'n', 0x030C, 0x0148},
}};

bool IsCombiningMark(char16_t unit) {
  return unit >= 0x0300 && unit <= 0x036F;
}

}  // namespace

char16_t ComposedLetter(char16_t base, char16_t mark) {
  for (const Composition& c : kCompositions) {
    if (c.base == base && c.mark == mark) return c.letter;
  }
  return 0;
}

std::u16string ComposeMarks(std::u16string_view units) {
  std::u16string out;
  out.reserve(units.size());
  for (char16_t unit : units) {
    if (IsCombiningMark(unit) && !out.empty()) {
      if (char16_t letter = ComposedLetter(out.back(), unit)) {
        out.back() = letter;
        continue;
      }
    }
    out.push_back(unit);
  }
  return out;
}

}  // namespace quarvel
