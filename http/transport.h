// The operations HttpRequest performs on the network, in the shape of the synchronous
// WinHTTP calls: a WinHTTP backend maps each one to the call of the same name, other
// backends (libcurl on Linux) behave the way the request routine relies on WinHTTP
// behaving. Strings go in as NUL-terminated UTF-16; every operation answers success or
// failure and reports its outputs through its reference parameters.
#pragma once

#include <cstdint>
#include <string>

namespace quarvel {

// An opaque handle for a session, a connection or a request; 0 is the null handle.
using TransportHandle = std::uintptr_t;
inline constexpr TransportHandle kNullHandle = 0;

// Values the request routine passes, numbered as the platform numbers them.
inline constexpr std::uint32_t kSchemeHttp = 1;
inline constexpr std::uint32_t kSchemeHttps = 2;
inline constexpr std::uint32_t kAccessTypeNoProxy = 1;
inline constexpr std::uint32_t kAccessTypeNamedProxy = 3;
inline constexpr std::uint32_t kFlagSecure = 0x00800000;
inline constexpr std::uint32_t kAuthTargetServer = 0;
inline constexpr std::uint32_t kAuthTargetProxy = 1;
inline constexpr std::uint32_t kAuthSchemeBasic = 1;
inline constexpr std::uint32_t kOptionSecurityFlags = 31;
inline constexpr std::uint32_t kOptionDisableFeature = 63;
inline constexpr std::uint32_t kOptionEnableFeature = 79;
// Unknown CA, wrong usage, name mismatch and expired certificates all accepted.
inline constexpr std::uint32_t kSecurityFlagsIgnoreCertErrors = 0x3300;
inline constexpr std::uint32_t kDisableCookies = 1;
inline constexpr std::uint32_t kDisableRedirects = 2;
inline constexpr std::uint32_t kEnableSslRevocation = 1;
inline constexpr std::uint32_t kAddRequestFlagAdd = 0x20000000;
inline constexpr std::uint32_t kQueryRawHeadersCrlf = 22;

// The parts of a URL that CrackUrl reports. The port is the scheme's default when the URL
// names none; extraInfo is the query with its leading "?".
struct UrlComponents {
  std::uint32_t scheme = 0;
  std::u16string hostName;
  std::uint16_t port = 0;
  std::u16string urlPath;
  std::u16string extraInfo;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Whether the transport can be used at all on this system.
  virtual bool CheckPlatform() = 0;
  // url holds urlLength code units (no terminator counted); flags as the platform takes them.
  virtual bool CrackUrl(const char16_t* url, std::uint32_t urlLength, std::uint32_t flags,
                        UrlComponents& components) = 0;
  // proxyName is null when there is no proxy. Answers the session handle, or null.
  virtual TransportHandle Open(std::uint32_t accessType, const char16_t* proxyName) = 0;
  // Milliseconds for name resolution, connect, send and receive.
  virtual bool SetTimeouts(TransportHandle session, int resolveMs, int connectMs, int sendMs,
                           int receiveMs) = 0;
  // Answers the connection handle, or null.
  virtual TransportHandle Connect(TransportHandle session, const char16_t* serverName,
                                  std::uint16_t port) = 0;
  // flags is 0 or kFlagSecure. Answers the request handle, or null.
  virtual TransportHandle OpenRequest(TransportHandle connection, const char16_t* verb,
                                      const char16_t* objectName, std::uint32_t flags) = 0;
  virtual bool SetCredentials(TransportHandle request, std::uint32_t authTarget,
                              std::uint32_t authScheme, const char16_t* userName,
                              const char16_t* password) = 0;
  // One 32-bit option value.
  virtual bool SetOption(TransportHandle request, std::uint32_t option, std::uint32_t value) = 0;
  // Lets request talk only to a server whose public key matches pins: "sha256//" and the
  // Base64 SHA-256 of the key's DER form, several joined by ";". The key is checked while
  // sending, so a mismatch fails SendRequest. A backend that cannot check keys refuses
  // here, so that a pinned request never goes out unchecked.
  virtual bool SetPinnedPublicKey(TransportHandle /*request*/, const char16_t* /*pins*/) {
    return false;
  }
  // headers holds headersLength code units of CR LF separated lines.
  virtual bool AddRequestHeaders(TransportHandle request, const char16_t* headers,
                                 std::uint32_t headersLength, std::uint32_t modifiers) = 0;
  // optional may be null when optionalLength is 0.
  virtual bool SendRequest(TransportHandle request, const void* optional,
                           std::uint32_t optionalLength, std::uint32_t totalLength) = 0;
  virtual bool ReceiveResponse(TransportHandle request) = 0;
  // Waits for body data; available is 0 once the body is complete.
  virtual bool QueryDataAvailable(TransportHandle request, std::uint32_t& available) = 0;
  virtual bool ReadData(TransportHandle request, void* buffer, std::uint32_t bytesToRead,
                        std::uint32_t& bytesRead) = 0;
  // The body length the response head declares (its Content-Length; on WinHTTP a number
  // query of that header), 0 when it declares none or the response has no body. Only a
  // hint for sizing buffers: the body that arrives may be shorter or longer.
  virtual std::uint64_t DeclaredBodyLength(TransportHandle) { return 0; }
  // bufferBytes is the buffer's size on entry and the size of the answer in bytes on
  // return. With a buffer too small (null and 0 included) the answer is false and
  // bufferBytes the size needed.
  virtual bool QueryHeaders(TransportHandle request, std::uint32_t infoLevel, void* buffer,
                            std::uint32_t& bufferBytes) = 0;
  // Closes any handle; the null handle is refused without harm.
  virtual bool CloseHandle(TransportHandle handle) = 0;
};

}  // namespace quarvel
