#include "http/curl_exchange.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

namespace quarvel {
namespace {

// WinHTTP's default limit of automatic redirects.
constexpr int kMaxRedirects = 10;
// Large reads keep the number of round trips through the multi interface low.
constexpr long kReceiveBufferBytes = 256 * 1024;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string_view NameOf(std::string_view line) {
  const auto colon = line.find_first_of(":;");
  std::string_view name = line.substr(0, colon);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  return name;
}

bool HasLine(const std::vector<std::string>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return EqualsIgnoringCase(NameOf(line), name);
  });
}

void RemoveLines(std::vector<std::string>& lines, std::string_view name) {
  std::erase_if(lines,
                [&](const std::string& line) { return EqualsIgnoringCase(NameOf(line), name); });
}

// The value of the first line of a CR LF head that carries name, spaces trimmed.
std::string HeadValue(std::string_view head, std::string_view name) {
  size_t start = 0;
  while (start < head.size()) {
    size_t end = head.find("\r\n", start);
    if (end == std::string_view::npos) end = head.size();
    std::string_view line = head.substr(start, end - start);
    const auto colon = line.find(':');
    if (colon != std::string_view::npos && EqualsIgnoringCase(line.substr(0, colon), name)) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
      while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
      return std::string(value);
    }
    start = end + 2;
  }
  return {};
}

int StatusCodeOf(std::string_view head) {
  // "HTTP/1.1 301 Moved": the three digits after the first space.
  const auto space = head.find(' ');
  if (space == std::string_view::npos || head.size() < space + 4) return 0;
  int code = 0;
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (head[i] < '0' || head[i] > '9') return 0;
    code = code * 10 + (head[i] - '0');
  }
  return code;
}

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlPtr = std::unique_ptr<CURLU, UrlDeleter>;

std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK || !text) return {};
  std::string result(text);
  curl_free(text);
  return result;
}

// scheme://host:port of a URL, for telling whether a redirect leaves the origin.
std::string OriginOf(const std::string& url) {
  UrlPtr parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return {};
  return UrlPart(parsed.get(), CURLUPART_SCHEME) + "://" + UrlPart(parsed.get(), CURLUPART_HOST) +
         ":" + UrlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

}  // namespace

struct CurlExchange::Curl {
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  curl_slist* headers = nullptr;
  bool attached = false;

  Curl() = default;
  Curl(const Curl&) = delete;
  Curl& operator=(const Curl&) = delete;
  ~Curl() {
    Detach();
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
  }
  bool Attach() {
    attached = curl_multi_add_handle(multi, easy) == CURLM_OK;
    return attached;
  }
  void Detach() {
    if (attached) curl_multi_remove_handle(multi, easy);
    attached = false;
  }
};

CurlExchange::CurlExchange(ExchangeSettings settings)
    : settings_(std::move(settings)), curl_(std::make_unique<Curl>()) {
  currentUrl_ = settings_.url;
  CURL* easy = curl_->easy;
  if (!easy || !curl_->multi) return;
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  // Redirects are followed here, not by curl, so that https -> http stops like WinHTTP.
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  // A compressed body is handed out compressed; chunked framing is still removed.
  curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlExchange::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlExchange::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlExchange::OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(settings_.connectMs));
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, settings_.verifyPeer ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, settings_.verifyHost ? 2L : 0L);
  // The pin is checked even with the certificate checks off: it is what stands in for them.
  if (!settings_.pinnedPublicKey.empty() &&
      curl_easy_setopt(easy, CURLOPT_PINNEDPUBLICKEY, settings_.pinnedPublicKey.c_str()) !=
          CURLE_OK)
    optionRefused_ = true;
  // Set even when empty: the proxy environment variables must not apply.
  curl_easy_setopt(easy, CURLOPT_PROXY, settings_.proxyUrl.c_str());
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (settings_.proxyCredentials) {
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, settings_.proxyUser.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, settings_.proxyPassword.c_str());
  }
}

CurlExchange::~CurlExchange() = default;

bool CurlExchange::Send(std::vector<std::uint8_t> body) {
  if (sendStarted_ || optionRefused_ || !curl_->easy || !curl_->multi) return false;
  sendStarted_ = true;
  body_ = std::move(body);
  lastProgress_ = Clock::now();
  if (!StartTransfer()) return false;
  // curl bounds the connect (TLS handshake included) itself; after it the send phase gets
  // its own allowance.
  const bool limited = settings_.connectMs > 0 && settings_.sendMs > 0;
  const bool inTime = Drive([this] { return responseStarted_ || RequestSent(); },
                            limited ? settings_.connectMs + settings_.sendMs : 0);
  if (!inTime) {
    Abort(CURLE_OPERATION_TIMEDOUT);
    return false;
  }
  // An exchange that failed before any answer came failed in sending.
  return !(finished_ && result_ != CURLE_OK && !responseStarted_);
}

bool CurlExchange::ReceiveResponse() {
  if (!sendStarted_) return false;
  lastProgress_ = Clock::now();
  if (settings_.receiveMs > 0)
    headLimit_ = lastProgress_ + std::chrono::milliseconds(settings_.receiveMs);
  if (!Drive([this] { return headComplete_; }, settings_.receiveMs))
    Abort(CURLE_OPERATION_TIMEDOUT);
  headLimit_ = Clock::time_point::max();
  return headComplete_;
}

bool CurlExchange::QueryDataAvailable(std::uint32_t& available) {
  if (!headComplete_) return false;
  if (Unread() == 0 && !finished_) {
    lastProgress_ = Clock::now();
    if (!Drive([this] { return Unread() > 0; }, settings_.receiveMs))
      Abort(CURLE_OPERATION_TIMEDOUT);
  }
  if (Unread() > 0) {
    available =
        std::uint32_t(std::min<std::size_t>(Unread(), std::numeric_limits<std::uint32_t>::max()));
  } else {
    // A body that broke off: one byte announced, and its read fails. Announcing the missing
    // length instead would let a lying Content-Length size the caller's buffer.
    available = result_ == CURLE_OK ? 0 : 1;
  }
  return true;
}

bool CurlExchange::Read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead) {
  bytesRead = 0;
  if (!headComplete_) return false;
  if (Unread() == 0 && !finished_) {
    lastProgress_ = Clock::now();
    if (!Drive([this] { return Unread() > 0; }, settings_.receiveMs))
      Abort(CURLE_OPERATION_TIMEDOUT);
  }
  if (Unread() == 0) return result_ == CURLE_OK;
  const std::size_t count = std::min<std::size_t>(size, Unread());
  if (count > 0) std::memcpy(buffer, pending_.data() + pendingOffset_, count);
  pendingOffset_ += count;
  if (pendingOffset_ == pending_.size()) {
    pending_.clear();
    pendingOffset_ = 0;
  }
  bytesRead = std::uint32_t(count);
  return true;
}

std::uint64_t CurlExchange::DeclaredBodyLength() const {
  if (!headComplete_ || settings_.verb == "HEAD") return 0;
  const std::string value = HeadValue(head_, "Content-Length");
  if (value.empty() || value.size() > 19) return 0;
  std::uint64_t length = 0;
  for (char digit : value) {
    if (digit < '0' || digit > '9') return 0;
    length = length * 10 + std::uint64_t(digit - '0');
  }
  return length;
}

bool CurlExchange::StartTransfer() {
  CURL* easy = curl_->easy;
  curl_easy_setopt(easy, CURLOPT_URL, currentUrl_.c_str());
  ApplyMethod();
  if (!BuildHeaderList()) return false;
  if (settings_.serverCredentials) {
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    curl_easy_setopt(easy, CURLOPT_USERNAME, settings_.serverUser.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, settings_.serverPassword.c_str());
  } else {
    curl_easy_setopt(easy, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(easy, CURLOPT_PASSWORD, nullptr);
  }
  return curl_->Attach();
}

void CurlExchange::ApplyMethod() {
  CURL* easy = curl_->easy;
  static const char kNoBody[] = "";
  // Back to a plain GET first: that clears POST, NOBODY and any earlier verb.
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
  const std::string& verb = settings_.verb;
  if (verb == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (!body_.empty() || verb == "POST") {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body_.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                     body_.empty() ? kNoBody : reinterpret_cast<const char*>(body_.data()));
    if (verb != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  } else if (verb != "GET") {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }
}

bool CurlExchange::BuildHeaderList() {
  curl_slist_free_all(curl_->headers);
  curl_->headers = nullptr;
  auto append = [this](const std::string& line) {
    curl_slist* grown = curl_slist_append(curl_->headers, line.c_str());
    if (grown) curl_->headers = grown;
    return grown != nullptr;
  };
  bool ok = true;
  // curl moves a caller's Host line to the top. An empty "Host:" ahead of everything keeps
  // curl from writing one there, and the caller's line then goes out where it stands.
  if (HasLine(settings_.headerLines, "Host")) ok = append("Host:");
  for (const std::string& line : settings_.headerLines) {
    // curl reads "Name:" as "remove Name"; "Name;" is how it sends an empty value.
    const auto colon = line.find(':');
    const bool emptyValue =
        colon != std::string::npos && line.find_first_not_of(" \t", colon + 1) == std::string::npos;
    ok = ok && append(emptyValue ? line.substr(0, colon) + ";" : line);
  }
  // Lines curl would add of its own accord, which the platform does not send.
  for (const char* name : {"Accept", "Expect", "Content-Type", "Proxy-Connection"}) {
    if (!HasLine(settings_.headerLines, name)) ok = ok && append(std::string(name) + ":");
  }
  curl_easy_setopt(curl_->easy, CURLOPT_HTTPHEADER, curl_->headers);
  return ok;
}

std::size_t CurlExchange::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto& exchange = *static_cast<CurlExchange*>(self);
  const std::size_t length = size * count;
  std::string_view line(data, length);
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  exchange.responseStarted_ = true;
  exchange.lastProgress_ = Clock::now();
  if (line.starts_with("HTTP/")) {
    exchange.head_.clear();
    exchange.headComplete_ = false;
  } else if (exchange.headComplete_) {
    return length;  // trailers after a chunked body belong to no head
  }
  exchange.head_.append(line);
  exchange.head_.append("\r\n");
  if (line.empty()) exchange.EndOfHead();
  return length;
}

void CurlExchange::EndOfHead() {
  const int status = StatusCodeOf(head_);
  if (status >= 100 && status < 200) {
    head_.clear();  // an interim answer; the real one follows
    return;
  }
  const bool redirect =
      status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
  if (settings_.followRedirects && redirect) {
    const std::string location = HeadValue(head_, "Location");
    UrlPtr target(curl_url());
    if (!location.empty() && target &&
        curl_url_set(target.get(), CURLUPART_URL, currentUrl_.c_str(), 0) == CURLUE_OK &&
        curl_url_set(target.get(), CURLUPART_URL, location.c_str(), 0) == CURLUE_OK) {
      const std::string scheme = UrlPart(target.get(), CURLUPART_SCHEME);
      const bool fromHttps = currentUrl_.starts_with("https:");
      const bool allowed = scheme == "https" || (scheme == "http" && !fromHttps);
      if (allowed) {
        if (redirects_ >= kMaxRedirects) {
          tooManyRedirects_ = true;
        } else {
          redirectPending_ = true;
          redirectTarget_ = UrlPart(target.get(), CURLUPART_URL);
          redirectStatus_ = status;
        }
        return;
      }
    }
  }
  headComplete_ = true;
}

bool CurlExchange::FollowRedirect() {
  ++redirects_;
  curl_->Detach();
  if (OriginOf(redirectTarget_) != OriginOf(currentUrl_)) {
    // The caller's Host line and credentials were meant for the first server only.
    RemoveLines(settings_.headerLines, "Host");
    RemoveLines(settings_.headerLines, "Authorization");
    settings_.serverCredentials = false;
  }
  const bool toGet =
      (redirectStatus_ == 303 && settings_.verb != "HEAD") ||
      ((redirectStatus_ == 301 || redirectStatus_ == 302) && settings_.verb == "POST");
  if (toGet) {
    settings_.verb = "GET";
    body_.clear();
    RemoveLines(settings_.headerLines, "Content-Type");
  }
  currentUrl_ = redirectTarget_;
  head_.clear();
  headComplete_ = false;
  redirectPending_ = false;
  return StartTransfer();
}

std::size_t CurlExchange::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& exchange = *static_cast<CurlExchange*>(self);
  const std::size_t length = size * count;
  exchange.lastProgress_ = Clock::now();
  // The body of a redirect that is being followed is dropped, as the platform drops it.
  if (!exchange.headComplete_ || exchange.redirectPending_ || exchange.tooManyRedirects_)
    return length;
  // Same element type on both sides, so the insert is one memmove, not a loop of bytes.
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  exchange.pending_.insert(exchange.pending_.end(), bytes, bytes + length);
  exchange.bodyReceived_ += std::int64_t(length);
  return length;
}

int CurlExchange::OnProgress(void* self, std::int64_t, std::int64_t, std::int64_t,
                             std::int64_t uploaded) {
  auto& exchange = *static_cast<CurlExchange*>(self);
  if (uploaded > exchange.uploaded_) {
    exchange.uploaded_ = uploaded;
    exchange.lastProgress_ = Clock::now();
  }
  return 0;
}

bool CurlExchange::RequestSent() const {
  long requestSize = 0;
  curl_easy_getinfo(curl_->easy, CURLINFO_REQUEST_SIZE, &requestSize);
  curl_off_t uploaded = 0;
  curl_easy_getinfo(curl_->easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
  return requestSize > 0 && std::uint64_t(uploaded) >= body_.size();
}

template <typename Ready>
bool CurlExchange::Drive(Ready ready, int idleMs) {
  for (;;) {
    if (!finished_) {
      int running = 0;
      if (curl_multi_perform(curl_->multi, &running) != CURLM_OK) {
        Abort(CURLE_RECV_ERROR);
      } else {
        CollectFinished();
      }
    }
    if (finished_ || ready()) return true;
    int waitMs = 1000;
    if (idleMs > 0) {
      const auto limit = std::min(lastProgress_ + std::chrono::milliseconds(idleMs), headLimit_);
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now()).count();
      if (left <= 0) return false;
      waitMs = int(std::min<long long>(waitMs, left));
    }
    curl_multi_poll(curl_->multi, nullptr, 0, waitMs, nullptr);
  }
}

void CurlExchange::CollectFinished() {
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(curl_->multi, &queued)) {
    if (message->msg != CURLMSG_DONE || message->easy_handle != curl_->easy) continue;
    CURLcode code = message->data.result;
    if (code == CURLE_OK && redirectPending_) {
      if (FollowRedirect()) continue;
      code = CURLE_OUT_OF_MEMORY;
    }
    if (code == CURLE_OK && tooManyRedirects_) code = CURLE_TOO_MANY_REDIRECTS;
    finished_ = true;
    result_ = code;
    curl_->Detach();
    return;
  }
}

void CurlExchange::Abort(int code) {
  curl_->Detach();
  finished_ = true;
  result_ = code;
}

}  // namespace quarvel
