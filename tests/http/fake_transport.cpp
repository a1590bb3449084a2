#include "tests/http/fake_transport.h"

#include <cstdio>
#include <cstring>

#include "http/code_page.h"

namespace quarvel::testing {
namespace {

std::string Show(const char16_t* text) {
  return text ? Utf16ToAnsi(text) : "null";
}

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%x", value);
  return buffer;
}

}  // namespace

std::vector<std::string> FakeTransport::CallsOf(const std::string& op) const {
  std::vector<std::string> matching;
  for (const auto& call : calls_)
    if (call.starts_with(op + "(")) matching.push_back(call);
  return matching;
}

bool FakeTransport::Record(const std::string& op, const std::string& arguments) {
  calls_.push_back(op + "(" + arguments + ")");
  const int count = ++counts_[op];
  auto failure = failures_.find(op);
  return failure == failures_.end() || failure->second != count;
}

bool FakeTransport::CheckPlatform() {
  return Record("CheckPlatform", "");
}

bool FakeTransport::CrackUrl(const char16_t* url, std::uint32_t urlLength, std::uint32_t flags,
                             UrlComponents& components) {
  const std::u16string text(url, urlLength);
  if (!Record("CrackUrl",
              Utf16ToAnsi(text) + ", " + std::to_string(urlLength) + ", " + std::to_string(flags)))
    return false;
  // scheme://host[:port][path][?extra]
  const auto schemeEnd = text.find(u"://");
  if (schemeEnd == std::u16string::npos) return false;
  components.scheme = text.substr(0, schemeEnd) == u"https" ? kSchemeHttps : kSchemeHttp;
  const auto hostStart = schemeEnd + 3;
  auto hostEnd = text.find_first_of(u":/?", hostStart);
  if (hostEnd == std::u16string::npos) hostEnd = text.size();
  components.hostName = text.substr(hostStart, hostEnd - hostStart);
  components.port = components.scheme == kSchemeHttps ? 443 : 80;
  auto pathStart = hostEnd;
  if (hostEnd < text.size() && text[hostEnd] == u':') {
    pathStart = text.find_first_of(u"/?", hostEnd);
    if (pathStart == std::u16string::npos) pathStart = text.size();
    components.port =
        std::uint16_t(std::stoi(Utf16ToAnsi(text.substr(hostEnd + 1, pathStart - hostEnd - 1))));
  }
  auto extraStart = text.find(u'?', pathStart);
  if (extraStart == std::u16string::npos) extraStart = text.size();
  components.urlPath = text.substr(pathStart, extraStart - pathStart);
  components.extraInfo = text.substr(extraStart);
  return true;
}

TransportHandle FakeTransport::Open(std::uint32_t accessType, const char16_t* proxyName) {
  return Record("Open", std::to_string(accessType) + ", " + Show(proxyName)) ? kFakeSession
                                                                             : kNullHandle;
}

bool FakeTransport::SetTimeouts(TransportHandle session, int resolveMs, int connectMs, int sendMs,
                                int receiveMs) {
  return Record("SetTimeouts", std::to_string(session) + ", " + std::to_string(resolveMs) + ", " +
                                   std::to_string(connectMs) + ", " + std::to_string(sendMs) +
                                   ", " + std::to_string(receiveMs));
}

TransportHandle FakeTransport::Connect(TransportHandle session, const char16_t* serverName,
                                       std::uint16_t port) {
  return Record("Connect",
                std::to_string(session) + ", " + Show(serverName) + ", " + std::to_string(port))
             ? kFakeConnection
             : kNullHandle;
}

TransportHandle FakeTransport::OpenRequest(TransportHandle connection, const char16_t* verb,
                                           const char16_t* objectName, std::uint32_t flags) {
  return Record("OpenRequest", std::to_string(connection) + ", " + Show(verb) + ", " +
                                   Show(objectName) + ", " + Hex(flags))
             ? kFakeRequest
             : kNullHandle;
}

bool FakeTransport::SetCredentials(TransportHandle request, std::uint32_t authTarget,
                                   std::uint32_t authScheme, const char16_t* userName,
                                   const char16_t* password) {
  return Record("SetCredentials", std::to_string(request) + ", " + std::to_string(authTarget) +
                                      ", " + std::to_string(authScheme) + ", " + Show(userName) +
                                      ", " + Show(password));
}

bool FakeTransport::SetOption(TransportHandle request, std::uint32_t option, std::uint32_t value) {
  return Record("SetOption",
                std::to_string(request) + ", " + std::to_string(option) + ", " + Hex(value));
}

bool FakeTransport::SetPinnedPublicKey(TransportHandle request, const char16_t* pins) {
  return Record("SetPinnedPublicKey", std::to_string(request) + ", " + Show(pins));
}

bool FakeTransport::AddRequestHeaders(TransportHandle request, const char16_t* headers,
                                      std::uint32_t headersLength, std::uint32_t modifiers) {
  sentHeaders_ = Utf16ToAnsi(std::u16string_view(headers, headersLength));
  return Record("AddRequestHeaders", std::to_string(request) + ", " +
                                         std::to_string(headersLength) + ", " + Hex(modifiers));
}

bool FakeTransport::SendRequest(TransportHandle request, const void* optional,
                                std::uint32_t optionalLength, std::uint32_t totalLength) {
  const auto* bytes = static_cast<const std::uint8_t*>(optional);
  sentBody_.assign(bytes, bytes + optionalLength);
  return Record("SendRequest", std::to_string(request) + ", " + std::to_string(optionalLength) +
                                   ", " + std::to_string(totalLength));
}

bool FakeTransport::ReceiveResponse(TransportHandle request) {
  return Record("ReceiveResponse", std::to_string(request));
}

bool FakeTransport::QueryDataAvailable(TransportHandle request, std::uint32_t& available) {
  if (!Record("QueryDataAvailable", std::to_string(request))) return false;
  available = nextChunk_ < bodyChunks.size() ? std::uint32_t(bodyChunks[nextChunk_].size()) : 0;
  return true;
}

bool FakeTransport::ReadData(TransportHandle request, void* buffer, std::uint32_t bytesToRead,
                             std::uint32_t& bytesRead) {
  bytesRead = 0;
  if (!Record("ReadData", std::to_string(request) + ", " + std::to_string(bytesToRead)))
    return false;
  if (nextChunk_ >= bodyChunks.size()) return true;
  const Text& chunk = bodyChunks[nextChunk_++];
  bytesRead = std::uint32_t(std::min<size_t>(chunk.size(), bytesToRead));
  std::memcpy(buffer, chunk.data(), bytesRead);
  return true;
}

bool FakeTransport::QueryHeaders(TransportHandle request, std::uint32_t infoLevel, void* buffer,
                                 std::uint32_t& bufferBytes) {
  const std::u16string head = AnsiToUtf16(responseHead);
  const auto needed = std::uint32_t((head.size() + 1) * 2);
  const bool ok =
      Record("QueryHeaders", std::to_string(request) + ", " + std::to_string(infoLevel) + ", " +
                                 std::to_string(bufferBytes));
  if (!buffer || bufferBytes < needed) {
    bufferBytes = needed;
    return false;
  }
  if (!ok) return false;
  std::memcpy(buffer, head.c_str(), needed);
  bufferBytes = needed - 2;
  return true;
}

bool FakeTransport::CloseHandle(TransportHandle handle) {
  return Record("CloseHandle", std::to_string(handle)) && handle != kNullHandle;
}

}  // namespace quarvel::testing
