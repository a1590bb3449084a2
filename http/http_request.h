// One complete, synchronous HTTP or HTTPS exchange.
#pragma once

#include "http/text.h"

namespace quarvel {

class Transport;

// The request routine's parameters. Inputs default to the values an omitted parameter
// takes. Outputs (and the in/out cookie texts) keep the caller's value until the routine
// writes them, at the steps where it does.
struct HttpRequestParams {
  Text url;                     // absolute http or https URL
  int method = 0;               // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE,
                                // 7 CONNECT; anything else GET
  Text bodyText;                // sent as it is when bodyBytes is empty
  Text requestCookies;          // in/out: cookies to send; the merged cookies afterwards
  Text responseCookies;         // in/out: cookies the response set, appended
  Text headers;                 // request header block, CR LF separated
  Text responseHeaders;         // out: the raw response header block, status line first
  bool noRedirect = false;      // true turns automatic redirects off
  Text serverUser;              // Basic credentials for the server
  Text serverPassword;
  Text proxy;                   // host:port; empty means no proxy
  Text proxyUser;               // Basic credentials for the proxy
  Text proxyPassword;
  int timeoutSeconds = 0;       // per network phase; below 1 means 30 s
  Text location;                // out: the response's Location line
  Text statusText;              // out: "200 OK", or one numbered failure text
  Bytes responseBody;           // out: the body bytes as received
  // false omits responseBody: it keeps its value, and the body is not copied for it.
  bool wantResponseBody = true;
  bool mergeCookies = true;     // merge responseCookies into requestCookies
  bool completeHeaders = true;  // add the default header lines the block lacks
  Bytes bodyBytes;              // sent instead of bodyText when not empty
  bool normalizeNames = true;   // capitalise header names
  // Beyond the per-phase time-out, a bound on the whole exchange, so that a server that
  // keeps trickling bytes cannot hold the call forever. Below 1 means four times the
  // per-phase time-out. Reaching it fails the read with an empty result.
  int overallTimeoutSeconds = 0;
  // "sha256//BASE64=" pins (";" between several): the server's public key must match one,
  // or the send fails. Empty: any key, as with certificate errors ignored.
  Text pinnedPublicKey;
};

// Performs the exchange through transport and returns the body as Text (empty after any
// failure). Never throws.
Text HttpRequest(HttpRequestParams& params, Transport& transport);

// The same through the platform's own transport (libcurl on Linux, WinHTTP on Windows).
Text HttpRequest(HttpRequestParams& params);

// The form the dashboard fetches use: url, method and headers; everything else omitted,
// responseBody included.
Text HttpRequest(const Text& url, int method, const Text& headers);

}  // namespace quarvel
