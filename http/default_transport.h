// The transport HttpRequest uses when the caller names none: libcurl on Linux, WinHTTP on
// Windows. Each platform's backend file defines it.
#pragma once

#include "http/transport.h"

namespace quarvel {

Transport& DefaultTransport();

}  // namespace quarvel
