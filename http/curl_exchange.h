// One HTTP exchange on libcurl's multi interface, advanced in the steps a WinHTTP request
// takes: send, receive the response head, then hand out the body piece by piece.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarvel {

struct ExchangeSettings {
  std::string url;                       // scheme://host:port/object, already escaped
  std::string verb;                      // "GET", "POST", "HEAD", ...
  std::vector<std::string> headerLines;  // "Name: value", sent in this order
  bool serverCredentials = false;
  std::string serverUser, serverPassword;
  bool proxyCredentials = false;
  std::string proxyUser, proxyPassword;
  std::string proxyUrl;  // "http://host:port"; empty for a direct connection
  bool verifyPeer = true;
  bool verifyHost = true;
  bool followRedirects = true;
  // "sha256//BASE64=" pins of the server's public key; empty: any key.
  std::string pinnedPublicKey;
  // Per phase, in milliseconds; 0 waits without limit.
  int connectMs = 0;
  int sendMs = 0;
  int receiveMs = 0;
};

class CurlExchange {
 public:
  explicit CurlExchange(ExchangeSettings settings);
  ~CurlExchange();
  CurlExchange(const CurlExchange&) = delete;
  CurlExchange& operator=(const CurlExchange&) = delete;

  // Connects and sends the request with body. Fails when the connection, the TLS handshake
  // or the sending fails or stalls.
  bool Send(std::vector<std::uint8_t> body);
  // Waits for the head of the final response, following redirects on the way. The whole
  // head must come within the receive time-out, however steadily its lines trickle in.
  bool ReceiveResponse();
  // Waits for body bytes; available is 0 once the body is complete. A body that breaks off
  // reports the missing bytes as available, and the read that follows fails.
  bool QueryDataAvailable(std::uint32_t& available);
  bool Read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead);
  // The final response's Content-Length; 0 when it has none, or no body (HEAD).
  std::uint64_t DeclaredBodyLength() const;
  // The final response's head: status line first, CR LF line ends, an empty line last.
  bool HasResponseHead() const { return headComplete_; }
  const std::string& ResponseHead() const { return head_; }

 private:
  struct Curl;
  using Clock = std::chrono::steady_clock;

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static int OnProgress(void* self, std::int64_t downloadTotal, std::int64_t downloaded,
                        std::int64_t uploadTotal, std::int64_t uploaded);

  bool StartTransfer();
  void ApplyMethod();
  bool BuildHeaderList();
  void EndOfHead();
  bool FollowRedirect();
  // Runs the transfer until ready() holds or it ends; false when idleMs pass without any
  // progress (0: no limit), or when headLimit_ has passed.
  template <typename Ready>
  bool Drive(Ready ready, int idleMs);
  void CollectFinished();
  void Abort(int code);
  std::size_t Unread() const { return pending_.size() - pendingOffset_; }
  bool RequestSent() const;

  ExchangeSettings settings_;
  std::unique_ptr<Curl> curl_;
  std::vector<std::uint8_t> body_;
  std::string currentUrl_;
  int redirects_ = 0;
  bool sendStarted_ = false;
  bool optionRefused_ = false;  // curl refused a setting the exchange cannot go without
  Clock::time_point headLimit_ = Clock::time_point::max();

  // The transfer's end, once reached.
  bool finished_ = false;
  int result_ = 0;  // CURLcode

  // Response head of the response being received.
  std::string head_;
  bool headComplete_ = false;
  bool redirectPending_ = false;
  bool tooManyRedirects_ = false;
  std::string redirectTarget_;
  int redirectStatus_ = 0;
  bool responseStarted_ = false;

  // Body bytes received but not yet read.
  std::vector<std::uint8_t> pending_;
  std::size_t pendingOffset_ = 0;
  std::int64_t bodyReceived_ = 0;

  std::int64_t uploaded_ = 0;
  Clock::time_point lastProgress_;
};

}  // namespace quarvel
