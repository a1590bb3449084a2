// The answer box of the port check.
#pragma once

#include "http/text.h"

namespace quarvel {

// Shows text in a box titled "信息：" with a single OK button and no icon, owned by no
// window and modal for the whole application; returns once the user closes it.
void ShowInformationBox(const Text& text);

}  // namespace quarvel
