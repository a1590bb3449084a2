// Code page 936 Text to and from the UTF-16 strings Qt works in.
#pragma once

#include <QString>
#include <QStringView>

#include "http/text.h"

namespace quarvel {

QString ToQString(const Text& text);
Text ToText(QStringView text);

// How many bytes the text takes in code page 936.
int CodePageLength(QStringView text);

}  // namespace quarvel
