// The transport on winhttp.dll: each operation is the WinHTTP call of the same name, in
// synchronous mode, with the arguments passed through. A pinned public key is checked by a
// status callback on the request, which WinHTTP calls once the TLS handshake is done and
// before the request is written.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <map>

#include "http/default_transport.h"
#include "http/transport.h"
#include "http/winhttp_key_pin.h"

namespace quarvel {
namespace {

HINTERNET Internet(TransportHandle handle) {
  return reinterpret_cast<HINTERNET>(handle);
}
TransportHandle HandleOf(HINTERNET internet) {
  return reinterpret_cast<TransportHandle>(internet);
}
const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

std::u16string Units(const wchar_t* start, DWORD length) {
  if (!start) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(start), length);
}

// A request opened with WINHTTP_FLAG_SECURE, and the keys it may talk to when pinned.
struct SecureRequest {
  std::vector<KeyDigest> pins;  // empty: not pinned
  // What the last check of the server's key found; each request written (a redirect's too)
  // is checked afresh.
  enum class Verdict { kUnchecked, kMatched, kRefused } verdict = Verdict::kUnchecked;
  // The check closed the handle; WinHTTP must not see it again, not even to close it.
  bool closedByCheck = false;
};

bool SentToPinnedKey(const SecureRequest* request) {
  return !request || request->pins.empty() || request->verdict == SecureRequest::Verdict::kMatched;
}

// Runs inside WinHttpSendRequest (and WinHttpReceiveResponse when it follows a redirect), on
// the calling thread, for SENDING_REQUEST (after the TLS handshake, before the request is
// written) and REQUEST_SENT; context is the request's SecureRequest.
void CALLBACK CheckServerKey(HINTERNET request, DWORD_PTR context, DWORD status, void*, DWORD) {
  if (status != WINHTTP_CALLBACK_STATUS_SENDING_REQUEST || !context) return;
  auto& secure = *reinterpret_cast<SecureRequest*>(context);
  const auto digest = ServerKeyDigest(request);
  const bool pinned =
      digest && std::find(secure.pins.begin(), secure.pins.end(), *digest) != secure.pins.end();
  if (pinned) {
    secure.verdict = SecureRequest::Verdict::kMatched;
    return;
  }
  secure.verdict = SecureRequest::Verdict::kRefused;
  // Closing the request is how WinHTTP lets a caller abort it before the request is written,
  // so the headers (credentials included) do not reach the wrong server. Wine 8 writes the
  // request all the same; there the failure comes only after the send (RefuseUnlessPinnedKey).
  secure.closedByCheck = WinHttpCloseHandle(request);
}

class WinHttpTransport final : public Transport {
 public:
  bool CheckPlatform() override { return WinHttpCheckPlatform(); }

  bool CrackUrl(const char16_t* url, std::uint32_t urlLength, std::uint32_t flags,
                UrlComponents& components) override {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    // A length of -1 asks for the piece as a pointer into the URL; user name and password
    // are not asked for.
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(Wide(url), urlLength, flags, &parts)) return false;
    components.scheme = static_cast<std::uint32_t>(parts.nScheme);
    components.hostName = Units(parts.lpszHostName, parts.dwHostNameLength);
    components.port = parts.nPort;
    components.urlPath = Units(parts.lpszUrlPath, parts.dwUrlPathLength);
    components.extraInfo = Units(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    return true;
  }

  TransportHandle Open(std::uint32_t accessType, const char16_t* proxyName) override {
    return HandleOf(WinHttpOpen(nullptr, accessType,
                                proxyName ? Wide(proxyName) : WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0));
  }

  bool SetTimeouts(TransportHandle session, int resolveMs, int connectMs, int sendMs,
                   int receiveMs) override {
    if (!WinHttpSetTimeouts(Internet(session), resolveMs, connectMs, sendMs, receiveMs)) {
      return false;
    }
    // Windows bounds the wait for the response head by the receive timeout too; Wine keeps a
    // separate, unlimited one, where a silent server would hold the request for ever. The
    // same value is set explicitly; a platform that refuses it keeps its own behaviour.
    DWORD responseMs = static_cast<DWORD>(receiveMs);
    WinHttpSetOption(Internet(session), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs,
                     sizeof responseMs);
    return true;
  }

  TransportHandle Connect(TransportHandle session, const char16_t* serverName,
                          std::uint16_t port) override {
    return HandleOf(WinHttpConnect(Internet(session), Wide(serverName), port, 0));
  }

  TransportHandle OpenRequest(TransportHandle connection, const char16_t* verb,
                              const char16_t* objectName, std::uint32_t flags) override {
    HINTERNET request =
        WinHttpOpenRequest(Internet(connection), Wide(verb), Wide(objectName), nullptr,
                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (request && (flags & WINHTTP_FLAG_SECURE)) secureRequests_[request] = {};
    return HandleOf(request);
  }

  bool SetCredentials(TransportHandle request, std::uint32_t authTarget, std::uint32_t authScheme,
                      const char16_t* userName, const char16_t* password) override {
    return WinHttpSetCredentials(Internet(request), authTarget, authScheme, Wide(userName),
                                 Wide(password), nullptr);
  }

  bool SetOption(TransportHandle request, std::uint32_t option, std::uint32_t value) override {
    DWORD data = value;
    return WinHttpSetOption(Internet(request), option, &data, sizeof data);
  }

  bool SetPinnedPublicKey(TransportHandle request, const char16_t* pins) override {
    SecureRequest* secure = SecureRequestOf(request);
    if (!secure || !pins) return false;  // a plain request has no key to check
    auto digests = DecodeKeyPins(pins);
    if (!digests) return false;
    if (WinHttpSetStatusCallback(Internet(request), CheckServerKey,
                                 WINHTTP_CALLBACK_FLAG_SEND_REQUEST,
                                 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
      return false;
    }
    // The context reaches the callback, on redirects as well as on the first send.
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(secure);
    if (!WinHttpSetOption(Internet(request), WINHTTP_OPTION_CONTEXT_VALUE, &context,
                          sizeof context)) {
      return false;
    }
    secure->pins = std::move(*digests);
    return true;
  }

  bool AddRequestHeaders(TransportHandle request, const char16_t* headers,
                         std::uint32_t headersLength, std::uint32_t modifiers) override {
    return WinHttpAddRequestHeaders(Internet(request), Wide(headers), headersLength, modifiers);
  }

  bool SendRequest(TransportHandle request, const void* optional, std::uint32_t optionalLength,
                   std::uint32_t totalLength) override {
    SecureRequest* secure = SecureRequestOf(request);
    if (secure) {
      if (secure->closedByCheck) return Refuse();
      secure->verdict = SecureRequest::Verdict::kUnchecked;
    }
    // The context given here replaces the request's, so it is the same one again.
    if (!WinHttpSendRequest(Internet(request), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            const_cast<void*>(optional), optionalLength, totalLength,
                            reinterpret_cast<DWORD_PTR>(secure))) {
      return false;
    }
    return RefuseUnlessPinnedKey(secure);
  }

  bool ReceiveResponse(TransportHandle request) override {
    const SecureRequest* secure = SecureRequestOf(request);
    if (secure && secure->closedByCheck) return Refuse();
    if (!WinHttpReceiveResponse(Internet(request), nullptr)) return false;
    return RefuseUnlessPinnedKey(secure);
  }

  bool QueryDataAvailable(TransportHandle request, std::uint32_t& available) override {
    DWORD count = 0;
    const bool ok = WinHttpQueryDataAvailable(Internet(request), &count);
    available = count;
    return ok;
  }

  bool ReadData(TransportHandle request, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t& bytesRead) override {
    DWORD read = 0;
    const bool ok = WinHttpReadData(Internet(request), buffer, bytesToRead, &read);
    bytesRead = read;
    return ok;
  }

  bool QueryHeaders(TransportHandle request, std::uint32_t infoLevel, void* buffer,
                    std::uint32_t& bufferBytes) override {
    DWORD size = bufferBytes;
    const bool ok = WinHttpQueryHeaders(Internet(request), infoLevel, WINHTTP_HEADER_NAME_BY_INDEX,
                                        buffer ? buffer : WINHTTP_NO_OUTPUT_BUFFER, &size,
                                        WINHTTP_NO_HEADER_INDEX);
    bufferBytes = size;
    return ok;
  }

  bool CloseHandle(TransportHandle handle) override {
    const SecureRequest* secure = SecureRequestOf(handle);
    if (!(secure && secure->closedByCheck) && !WinHttpCloseHandle(Internet(handle))) return false;
    secureRequests_.erase(Internet(handle));
    return true;
  }

 private:
  SecureRequest* SecureRequestOf(TransportHandle request) {
    const auto found = secureRequests_.find(Internet(request));
    return found == secureRequests_.end() ? nullptr : &found->second;
  }

  // A pinned request whose server key was not checked, or did not match, fails; the check
  // not running at all fails it too.
  static bool RefuseUnlessPinnedKey(const SecureRequest* secure) {
    return SentToPinnedKey(secure) || Refuse();
  }
  static bool Refuse() {
    SetLastError(ERROR_WINHTTP_SECURE_FAILURE);
    return false;
  }

  // Keyed by handle; map nodes stay put, so the callback may hold a pointer to one.
  std::map<HINTERNET, SecureRequest> secureRequests_;
};

}  // namespace

Transport& DefaultTransport() {
  static WinHttpTransport transport;
  return transport;
}

}  // namespace quarvel
