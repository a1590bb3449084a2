// A scripted Transport for the request routine's tests: it records every call with its
// arguments, answers with a scripted response, and fails at any chosen call.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "http/text.h"
#include "http/transport.h"

namespace quarvel::testing {

// The handles the fake hands out, fixed so that recorded calls read plainly.
inline constexpr TransportHandle kFakeSession = 1;
inline constexpr TransportHandle kFakeConnection = 2;
inline constexpr TransportHandle kFakeRequest = 3;

class FakeTransport final : public Transport {
 public:
  // The response: the raw head (CR LF lines, an empty line last) and the body in the
  // pieces QueryDataAvailable announces one by one.
  Text responseHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
  std::vector<Text> bodyChunks = {"hello"};
  // What DeclaredBodyLength answers; a sizing hint, so its calls are not recorded.
  std::uint64_t declaredBodyLength = 0;

  // Makes the occurrence-th call (1-based) of the operation named op fail, e.g.
  // FailAt("SetOption", 2).
  void FailAt(const std::string& op, int occurrence = 1) { failures_[op] = occurrence; }

  // Every call so far, e.g. "SetOption(3, 31, 0x3300)", strings shown as text.
  const std::vector<std::string>& Calls() const { return calls_; }
  // The calls of one operation only.
  std::vector<std::string> CallsOf(const std::string& op) const;
  // What AddRequestHeaders and SendRequest were given.
  const Text& SentHeaders() const { return sentHeaders_; }
  const Bytes& SentBody() const { return sentBody_; }

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
  std::uint64_t DeclaredBodyLength(TransportHandle) override { return declaredBodyLength; }
  bool QueryHeaders(TransportHandle request, std::uint32_t infoLevel, void* buffer,
                    std::uint32_t& bufferBytes) override;
  bool CloseHandle(TransportHandle handle) override;

 private:
  // Records the call and answers whether it is to succeed.
  bool Record(const std::string& op, const std::string& arguments);

  std::vector<std::string> calls_;
  std::map<std::string, int> counts_;
  std::map<std::string, int> failures_;
  Text sentHeaders_;
  Bytes sentBody_;
  size_t nextChunk_ = 0;
};

}  // namespace quarvel::testing
