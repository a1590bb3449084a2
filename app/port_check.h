// The answer to "is this remote port taken?": the click handlers of the two check buttons.
#pragma once

#include "app/main_window.h"

namespace quarvel {

// Looks the text of the input box up in the TCP list box and shows the answer.
void OnTcpCheckClicked(MainWindow& window);
// The same against the UDP list box.
void OnUdpCheckClicked(MainWindow& window);

}  // namespace quarvel
