// The request routine's transport on libcurl, behaving as the routine relies on WinHTTP
// behaving: HTTP/1.1, no content decoding, redirects followed unless switched off (never
// from https to http, at most 10), certificate checks off only when asked, one time-out
// per network phase, and the body handed out in the pieces the network delivers.
#pragma once

#include <memory>

#include "http/transport.h"

namespace quarvel {

class CurlTransport final : public Transport {
 public:
  CurlTransport();
  ~CurlTransport() override;
  CurlTransport(const CurlTransport&) = delete;
  CurlTransport& operator=(const CurlTransport&) = delete;

  bool CheckPlatform() override;
  bool CrackUrl(const char16_t* url, std::uint32_t urlLength, std::uint32_t flags,
                UrlComponents& components) override;
  TransportHandle Open(std::uint32_t accessType, const char16_t* proxyName) override;
  bool SetTimeouts(TransportHandle session, int resolveMs, int connectMs, int sendMs,
                   int receiveMs) override;
  TransportHandle Connect(TransportHandle session, const char16_t* serverName,
                          std::uint16_t port) override;
  TransportHandle OpenRequest(TransportHandle connection, const char16_t* verb,
                              const char16_t* objectName, std::uint32_t flags) override;
  bool SetCredentials(TransportHandle request, std::uint32_t authTarget, std::uint32_t authScheme,
                      const char16_t* userName, const char16_t* password) override;
  bool SetOption(TransportHandle request, std::uint32_t option, std::uint32_t value) override;
  bool SetPinnedPublicKey(TransportHandle request, const char16_t* pins) override;
  bool AddRequestHeaders(TransportHandle request, const char16_t* headers,
                         std::uint32_t headersLength, std::uint32_t modifiers) override;
  bool SendRequest(TransportHandle request, const void* optional, std::uint32_t optionalLength,
                   std::uint32_t totalLength) override;
  bool ReceiveResponse(TransportHandle request) override;
  bool QueryDataAvailable(TransportHandle request, std::uint32_t& available) override;
  bool ReadData(TransportHandle request, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t& bytesRead) override;
  std::uint64_t DeclaredBodyLength(TransportHandle request) override;
  bool QueryHeaders(TransportHandle request, std::uint32_t infoLevel, void* buffer,
                    std::uint32_t& bufferBytes) override;
  bool CloseHandle(TransportHandle handle) override;

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
};

}  // namespace quarvel
