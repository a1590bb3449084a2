#include "app/qt/qt_text.h"

#include <string_view>

#include "http/code_page.h"

namespace quarvel {

QString ToQString(const Text& text) {
  const std::u16string units = AnsiToUtf16(text);
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

Text ToText(QStringView text) {
  return Utf16ToAnsi(std::u16string_view(text.utf16(), static_cast<size_t>(text.size())));
}

int CodePageLength(QStringView text) {
  return static_cast<int>(ToText(text).size());
}

}  // namespace quarvel
