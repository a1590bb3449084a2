// The transport on winhttp.dll: each operation is the WinHTTP call of the same name, in
// synchronous mode, with the arguments passed through.
#include <windows.h>
#include <winhttp.h>

#include "http/default_transport.h"
#include "http/transport.h"

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
    return HandleOf(WinHttpOpenRequest(Internet(connection), Wide(verb), Wide(objectName), nullptr,
                                       WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
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

  bool AddRequestHeaders(TransportHandle request, const char16_t* headers,
                         std::uint32_t headersLength, std::uint32_t modifiers) override {
    return WinHttpAddRequestHeaders(Internet(request), Wide(headers), headersLength, modifiers);
  }

  bool SendRequest(TransportHandle request, const void* optional, std::uint32_t optionalLength,
                   std::uint32_t totalLength) override {
    return WinHttpSendRequest(Internet(request), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              const_cast<void*>(optional), optionalLength, totalLength, 0);
  }

  bool ReceiveResponse(TransportHandle request) override {
    return WinHttpReceiveResponse(Internet(request), nullptr);
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

  bool CloseHandle(TransportHandle handle) override { return WinHttpCloseHandle(Internet(handle)); }
};

}  // namespace

Transport& DefaultTransport() {
  static WinHttpTransport transport;
  return transport;
}

}  // namespace quarvel
