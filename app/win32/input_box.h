// The behaviour of the port input box on top of a standard single-line edit control: typed
// characters other than digits and "-" are dropped, and typing or pasting never takes the
// text beyond a number of code page 936 bytes. EM_LIMITTEXT counts characters, so the byte
// limit is kept here.
#pragma once

#include <windows.h>

namespace quarvel {

// Subclasses edit; the box keeps its behaviour until it is destroyed.
void MakeInputBox(HWND edit, int limitBytes);

}  // namespace quarvel
