// The fixed request settings of the three start-up fetches: where the dashboard is and the
// header block every request carries.
#pragma once

#include <string_view>

#include "http/http_request.h"
#include "http/text.h"

namespace quarvel {

inline constexpr std::string_view kServerInfoPath = "/api/serverinfo";
inline constexpr std::string_view kTcpProxiesPath = "/api/proxy/tcp";
inline constexpr std::string_view kUdpProxiesPath = "/api/proxy/udp";

struct DashboardProfile {
  Text host;   // host name, as it stands in the URLs and the Host and Referer lines
  int port;    // the dashboard's HTTPS port
  Text token;  // Base64 user:password of the Basic authorization line
  // "sha256//BASE64=" pin of the dashboard's public key; empty accepts any certificate.
  Text pinnedPublicKey;

  // "https://" + host + ":" + port + path.
  Text Url(std::string_view path) const;
  // The eight header lines joined by CR LF, with none after the last.
  Text Headers() const;
  // The request of one start-up fetch: GET of Url(path) with Headers(), pinned to the
  // dashboard's key when a pin is set; every other parameter left at its default.
  HttpRequestParams Request(std::string_view path) const;
};

// One start-up fetch: the body of the reply to profile.Request(path), empty after any
// failure. Nothing else of the exchange is kept.
Text FetchFromDashboard(const DashboardProfile& profile, std::string_view path);

// The dashboard this build was configured for (host, token and pin), on port 27500. The program
// knows no other; tests build their own profile to reach a server on a port of their choosing.
const DashboardProfile& CompiledDashboardProfile();

}  // namespace quarvel
