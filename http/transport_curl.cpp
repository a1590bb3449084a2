#include "http/transport_curl.h"

#include <curl/curl.h>

#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <variant>

#include "http/code_page.h"
#include "http/curl_exchange.h"
#include "http/default_transport.h"

namespace quarvel {
namespace {

struct Session {
  std::uint32_t accessType = kAccessTypeNoProxy;
  std::u16string proxyName;
  // The platform's defaults until SetTimeouts: resolve without limit, connect 60 s, send
  // and receive 30 s.
  int resolveMs = 0, connectMs = 60000, sendMs = 30000, receiveMs = 30000;
};

struct Connection {
  Session session;  // as it was when the connection was made
  std::u16string host;
  std::uint16_t port = 0;
};

struct Request {
  Connection connection;
  std::u16string verb;
  std::u16string objectName;
  bool secure = false;
  ExchangeSettings settings;
  std::unique_ptr<CurlExchange> exchange;
};

using Object = std::variant<Session, Connection, Request>;

std::u16string_view Units(const char16_t* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Of(std::u16string_view units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The object name as it goes into a URL: bytes a URL cannot hold raw are %-escaped, the way
// the platform escapes them on the request line.
std::string EscapedObjectName(std::u16string_view objectName) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char byte : Utf8Of(objectName)) {
    const bool raw = byte > 0x20 && byte < 0x7F && !std::strchr("\"<>\\^`{|}", byte);
    if (raw) {
      out += char(byte);
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

// The proxy that a WinHTTP proxy list names for scheme: entries separated by ";" or
// spaces, each "host:port" (every scheme) or "scheme=host:port".
std::string ProxyUrlFor(const std::u16string& proxyList, bool secure) {
  const std::string list = Utf8Of(proxyList);
  std::string chosen;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find_first_of("; ", start);
    if (end == std::string::npos) end = list.size();
    std::string_view entry(list.data() + start, end - start);
    if (!entry.empty()) {
      const auto equals = entry.find('=');
      if (equals == std::string_view::npos) {
        if (chosen.empty()) chosen = entry;
      } else if (entry.substr(0, equals) == (secure ? "https" : "http")) {
        chosen = entry.substr(equals + 1);
      }
    }
    start = end + 1;
  }
  return chosen.empty() ? std::string() : "http://" + chosen;
}

template <typename T>
std::u16string_view FindCaseless(std::u16string_view text, T prefix) {
  if (text.size() < prefix.size()) return {};
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    if (c != char16_t(prefix[i])) return {};
  }
  return text.substr(prefix.size());
}

}  // namespace

struct CurlTransport::Handles {
  std::unordered_map<TransportHandle, Object> objects;
  TransportHandle next = 1;
  bool globalReady = false;

  TransportHandle Add(Object object) {
    const TransportHandle handle = next++;
    objects.emplace(handle, std::move(object));
    return handle;
  }
  template <typename T>
  T* Find(TransportHandle handle) {
    auto found = objects.find(handle);
    return found == objects.end() ? nullptr : std::get_if<T>(&found->second);
  }
};

CurlTransport::CurlTransport() : handles_(std::make_unique<Handles>()) {
  handles_->globalReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

CurlTransport::~CurlTransport() {
  handles_->objects.clear();
  if (handles_->globalReady) curl_global_cleanup();
}

bool CurlTransport::CheckPlatform() {
  if (!handles_->globalReady) return false;
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  return info && (info->features & CURL_VERSION_SSL);
}

bool CurlTransport::CrackUrl(const char16_t* url, std::uint32_t urlLength, std::uint32_t,
                             UrlComponents& components) {
  if (!url) return false;
  std::u16string_view rest(url, urlLength);
  UrlComponents parts;
  if (auto after = FindCaseless(rest, std::string_view("https://")); !after.empty()) {
    parts.scheme = kSchemeHttps;
    parts.port = 443;
    rest = after;
  } else if (after = FindCaseless(rest, std::string_view("http://")); !after.empty()) {
    parts.scheme = kSchemeHttp;
    parts.port = 80;
    rest = after;
  } else {
    return false;
  }
  const size_t authorityEnd = std::min(rest.find_first_of(u"/?#"), rest.size());
  std::u16string_view authority = rest.substr(0, authorityEnd);
  std::u16string_view tail = rest.substr(authorityEnd);
  if (const auto at = authority.rfind(u'@'); at != std::u16string_view::npos)
    authority.remove_prefix(at + 1);
  // A bracketed IPv6 address keeps its brackets; the port follows the closing one.
  size_t hostEnd = authority.size();
  if (!authority.empty() && authority.front() == u'[') {
    const auto close = authority.find(u']');
    if (close == std::u16string_view::npos) return false;
    hostEnd = close + 1;
  } else if (const auto colon = authority.find(u':'); colon != std::u16string_view::npos) {
    hostEnd = colon;
  }
  parts.hostName = authority.substr(0, hostEnd);
  if (parts.hostName.empty()) return false;
  std::u16string_view portText = authority.substr(hostEnd);
  if (!portText.empty()) {
    if (portText.front() != u':' || portText.size() < 2 || portText.size() > 6) return false;
    unsigned port = 0;
    for (char16_t c : portText.substr(1)) {
      if (c < u'0' || c > u'9') return false;
      port = port * 10 + (c - u'0');
    }
    if (port == 0 || port > 65535) return false;
    parts.port = std::uint16_t(port);
  }
  const size_t pathEnd = std::min(tail.find_first_of(u"?#"), tail.size());
  parts.urlPath = tail.substr(0, pathEnd);
  parts.extraInfo = tail.substr(pathEnd);
  components = std::move(parts);
  return true;
}

TransportHandle CurlTransport::Open(std::uint32_t accessType, const char16_t* proxyName) {
  if (accessType != kAccessTypeNoProxy && accessType != kAccessTypeNamedProxy) return kNullHandle;
  if (accessType == kAccessTypeNamedProxy && Units(proxyName).empty()) return kNullHandle;
  Session session;
  session.accessType = accessType;
  if (accessType == kAccessTypeNamedProxy) session.proxyName = Units(proxyName);
  return handles_->Add(std::move(session));
}

bool CurlTransport::SetTimeouts(TransportHandle handle, int resolveMs, int connectMs, int sendMs,
                                int receiveMs) {
  Session* session = handles_->Find<Session>(handle);
  if (!session || resolveMs < -1 || connectMs < -1 || sendMs < -1 || receiveMs < -1) return false;
  // -1 and 0 both wait without limit.
  auto limit = [](int ms) { return ms < 0 ? 0 : ms; };
  session->resolveMs = limit(resolveMs);
  session->connectMs = limit(connectMs);
  session->sendMs = limit(sendMs);
  session->receiveMs = limit(receiveMs);
  return true;
}

TransportHandle CurlTransport::Connect(TransportHandle handle, const char16_t* serverName,
                                       std::uint16_t port) {
  Session* session = handles_->Find<Session>(handle);
  if (!session || Units(serverName).empty()) return kNullHandle;
  return handles_->Add(Connection{*session, std::u16string(serverName), port});
}

TransportHandle CurlTransport::OpenRequest(TransportHandle handle, const char16_t* verb,
                                           const char16_t* objectName, std::uint32_t flags) {
  Connection* connection = handles_->Find<Connection>(handle);
  if (!connection) return kNullHandle;
  Request request;
  request.connection = *connection;
  request.verb = Units(verb).empty() ? u"GET" : std::u16string(verb);
  request.objectName = Units(objectName).empty() ? u"/" : std::u16string(objectName);
  request.secure = (flags & kFlagSecure) != 0;
  return handles_->Add(std::move(request));
}

bool CurlTransport::SetCredentials(TransportHandle handle, std::uint32_t authTarget,
                                   std::uint32_t authScheme, const char16_t* userName,
                                   const char16_t* password) {
  Request* request = handles_->Find<Request>(handle);
  if (!request || request->exchange || authScheme != kAuthSchemeBasic || !userName) return false;
  ExchangeSettings& settings = request->settings;
  if (authTarget == kAuthTargetServer) {
    settings.serverCredentials = true;
    settings.serverUser = Utf16ToAnsi(Units(userName));
    settings.serverPassword = Utf16ToAnsi(Units(password));
  } else if (authTarget == kAuthTargetProxy) {
    settings.proxyCredentials = true;
    settings.proxyUser = Utf16ToAnsi(Units(userName));
    settings.proxyPassword = Utf16ToAnsi(Units(password));
  } else {
    return false;
  }
  return true;
}

bool CurlTransport::SetOption(TransportHandle handle, std::uint32_t option, std::uint32_t value) {
  Request* request = handles_->Find<Request>(handle);
  if (!request || request->exchange) return false;
  ExchangeSettings& settings = request->settings;
  switch (option) {
    case kOptionSecurityFlags:
      // OpenSSL checks the chain (issuer, usage, dates) as one: any of those flags turns
      // the peer check off; the name check has its own flag.
      settings.verifyPeer = (value & 0x2300) == 0;
      settings.verifyHost = (value & 0x1000) == 0;
      return true;
    case kOptionDisableFeature:
      // curl keeps no cookies unless told to, so turning cookies off costs nothing.
      if (value & kDisableRedirects) settings.followRedirects = false;
      return (value & ~(kDisableCookies | kDisableRedirects)) == 0;
    case kOptionEnableFeature:
      // Revocation checking: OpenSSL without a CRL source has nothing to consult.
      return value == kEnableSslRevocation;
    default:
      return false;
  }
}

bool CurlTransport::SetPinnedPublicKey(TransportHandle handle, const char16_t* pins) {
  Request* request = handles_->Find<Request>(handle);
  // Without TLS there is no key to check, and a pin must never be dropped silently.
  if (!request || request->exchange || !request->secure || Units(pins).empty()) return false;
  request->settings.pinnedPublicKey = Utf8Of(Units(pins));
  return true;
}

bool CurlTransport::AddRequestHeaders(TransportHandle handle, const char16_t* headers,
                                      std::uint32_t headersLength, std::uint32_t) {
  Request* request = handles_->Find<Request>(handle);
  if (!request || request->exchange || !headers) return false;
  std::u16string_view block = headersLength == std::numeric_limits<std::uint32_t>::max()
                                  ? std::u16string_view(headers)
                                  : std::u16string_view(headers, headersLength);
  bool added = false;
  while (!block.empty()) {
    const size_t end = std::min(block.find_first_of(u"\r\n"), block.size());
    std::u16string_view line = block.substr(0, end);
    block.remove_prefix(end);
    while (!block.empty() && (block.front() == u'\r' || block.front() == u'\n'))
      block.remove_prefix(1);
    // A line without a name and colon is no header; the platform skips it.
    const auto colon = line.find(u':');
    if (colon == std::u16string_view::npos || colon == 0) continue;
    request->settings.headerLines.push_back(Utf16ToAnsi(line));
    added = true;
  }
  return added;
}

bool CurlTransport::SendRequest(TransportHandle handle, const void* optional,
                                std::uint32_t optionalLength, std::uint32_t totalLength) {
  Request* request = handles_->Find<Request>(handle);
  if (!request || request->exchange || optionalLength != totalLength ||
      (optionalLength > 0 && !optional))
    return false;
  const Connection& connection = request->connection;
  const Session& session = connection.session;
  ExchangeSettings settings = request->settings;
  settings.verb = Utf8Of(request->verb);
  settings.url = std::string(request->secure ? "https://" : "http://") + Utf8Of(connection.host) +
                 ":" + std::to_string(connection.port) + EscapedObjectName(request->objectName);
  if (session.accessType == kAccessTypeNamedProxy)
    settings.proxyUrl = ProxyUrlFor(session.proxyName, request->secure);
  // curl resolves and connects under one limit.
  settings.connectMs = session.resolveMs > 0 && session.connectMs > 0
                           ? std::max(session.resolveMs, session.connectMs)
                           : session.connectMs;
  settings.sendMs = session.sendMs;
  settings.receiveMs = session.receiveMs;
  const auto* bytes = static_cast<const std::uint8_t*>(optional);
  std::vector<std::uint8_t> body(bytes, bytes + optionalLength);
  request->exchange = std::make_unique<CurlExchange>(std::move(settings));
  return request->exchange->Send(std::move(body));
}

bool CurlTransport::ReceiveResponse(TransportHandle handle) {
  Request* request = handles_->Find<Request>(handle);
  return request && request->exchange && request->exchange->ReceiveResponse();
}

bool CurlTransport::QueryDataAvailable(TransportHandle handle, std::uint32_t& available) {
  Request* request = handles_->Find<Request>(handle);
  return request && request->exchange && request->exchange->QueryDataAvailable(available);
}

bool CurlTransport::ReadData(TransportHandle handle, void* buffer, std::uint32_t bytesToRead,
                             std::uint32_t& bytesRead) {
  bytesRead = 0;
  Request* request = handles_->Find<Request>(handle);
  if (!request || !request->exchange || (bytesToRead > 0 && !buffer)) return false;
  return request->exchange->Read(buffer, bytesToRead, bytesRead);
}

std::uint64_t CurlTransport::DeclaredBodyLength(TransportHandle handle) {
  Request* request = handles_->Find<Request>(handle);
  return request && request->exchange ? request->exchange->DeclaredBodyLength() : 0;
}

bool CurlTransport::QueryHeaders(TransportHandle handle, std::uint32_t infoLevel, void* buffer,
                                 std::uint32_t& bufferBytes) {
  Request* request = handles_->Find<Request>(handle);
  if (!request || !request->exchange || !request->exchange->HasResponseHead() ||
      infoLevel != kQueryRawHeadersCrlf)
    return false;
  const std::u16string head = AnsiToUtf16(request->exchange->ResponseHead());
  const std::uint64_t needed = (head.size() + 1) * sizeof(char16_t);
  if (needed > std::numeric_limits<std::uint32_t>::max()) return false;
  if (!buffer || bufferBytes < needed) {
    bufferBytes = std::uint32_t(needed);
    return false;
  }
  std::memcpy(buffer, head.c_str(), needed);  // the terminator included
  bufferBytes = std::uint32_t(head.size() * sizeof(char16_t));
  return true;
}

bool CurlTransport::CloseHandle(TransportHandle handle) {
  return handles_->objects.erase(handle) > 0;
}

Transport& DefaultTransport() {
  static CurlTransport transport;
  return transport;
}

}  // namespace quarvel
