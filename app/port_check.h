// The answer to "is this remote port taken?": the click handlers of the two check buttons.
#pragma once

#include <cstddef>

#include "app/main_window.h"

namespace quarvel {

// Ports below 10000 are refused along with everything else shorter than five bytes.
inline constexpr size_t kShortestPortInput = 5;

enum class PortAnswer { InputError, Taken, Free };

// Looks the text of the input box up in listBox, shows the answer and returns it.
PortAnswer CheckPortIn(MainWindow& window, Control listBox);

// Looks the text of the input box up in the TCP list box and shows the answer.
void OnTcpCheckClicked(MainWindow& window);
// The same against the UDP list box.
void OnUdpCheckClicked(MainWindow& window);

}  // namespace quarvel
