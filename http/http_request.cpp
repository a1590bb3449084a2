#include "http/http_request.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string_view>
#include <utility>

#include "http/body_decoding.h"
#include "http/code_page.h"
#include "http/cookies.h"
#include "http/default_transport.h"
#include "http/header_assembly.h"
#include "http/pending_events.h"
#include "http/text_extract.h"
#include "http/text_search.h"
#include "http/transport.h"
#include "script/regex_object.h"

namespace quarvel {
namespace {

constexpr std::string_view kNoPlatform =
    "700 \xb5\xb1\xc7\xb0\xcf\xb5\xcd\xb3\xb2\xbb\xd6\xa7\xb3\xd6"
    "WinHttp\xb7\xfe\xce\xf1!";  // 700 当前系统不支持WinHttp服务!
constexpr std::string_view kCrackFailed =
    "701 \xbd\xe2\xce\xf6URL\xb5\xd8\xd6\xb7\xca\xa7\xb0\xdc!";  // 701 解析URL地址失败!
constexpr std::string_view kOpenFailed =
    "702 \xb4\xb4\xbd\xa8WinHttp\xbb\xe1\xbb\xb0\xca\xa7\xb0\xdc!";  // 702 创建WinHttp会话失败!
constexpr std::string_view kConnectFailed =
    "703 \xb4\xb4\xbd\xa8WinHttp\xc1\xac\xbd\xd3\xca\xa7\xb0\xdc!";  // 703 创建WinHttp连接失败!
constexpr std::string_view kOpenRequestFailed =
    "704 \xb4\xb4\xbd\xa8WinHttp\xc7\xeb\xc7\xf3\xca\xa7\xb0\xdc!";  // 704 创建WinHttp请求失败!
constexpr std::string_view kTimeoutsFailed =
    "705 \xc9\xe8\xd6\xc3\xb3\xac\xca\xb1"
    "\xca\xb1\xbc\xe4\xca\xa7\xb0\xdc!";  // 705 设置超时时间失败!
constexpr std::string_view kCredentialsFailed =
    "707 \xc9\xe8\xd6\xc3\xb4\xfa\xc0\xed"
    "\xc6\xbe\xd6\xa4\xca\xa7\xb0\xdc!";  // 707 设置代理凭证失败!
constexpr std::string_view kSecurityFlagsFailed =
    "\xba\xf6\xc2\xd4\xb4\xed\xce\xf3/\xd6\xa4\xca\xe9\xb4\xed\xce\xf3  "
    "\xca\xa7\xb0\xdc\xa3\xa1";  // 忽略错误/证书错误  失败！
constexpr std::string_view kCookieFeatureFailed =
    "708 \xbd\xfb\xd6\xb9\xd7\xd4\xb6\xaf\xc9\xe8\xd6\xc3"
    "Cookies\xca\xa7\xb0\xdc!";  // 708 禁止自动设置Cookies失败!
constexpr std::string_view kRedirectSwitchFailed =
    "709 \xd6\xd8\xb6\xa8\xcf\xf2\xc9\xe8\xd6\xc3\xca\xa7\xb0\xdc!";  // 709 重定向设置失败!
constexpr std::string_view kHeadersFailed =
    "710 \xc9\xe8\xd6\xc3\xd0\xad\xd2\xe9\xcd\xb7\xca\xa7\xb0\xdc!";  // 710 设置协议头失败!
constexpr std::string_view kSendFailed =
    "711 \xb7\xa2\xcb\xcd\xc7\xeb\xc7\xf3\xca\xa7\xb0\xdc!";  // 711 发送请求失败!
constexpr std::string_view kNoResponse =
    "712 \xb7\xfe\xce\xf1\xc6\xf7\xce\xb4\xcf\xec\xd3\xa6!";  // 712 服务器未响应!
constexpr std::string_view kReadFailed =
    "713 \xb6\xc1\xc8\xa1\xca\xfd\xbe\xdd\xca\xa7\xb0\xdc!";  // 713 读取数据失败!

constexpr std::string_view kIdeographicSpace = "\xa1\xa1";

// The most a declared body length may reserve ahead of the bytes that arrive.
constexpr std::uint64_t kMaxReservedBodyBytes = 256 * 1024 * 1024;

// Room for bytes, when there is that much to be had; without it the text grows as it fills.
void ReserveIfPossible(Text& text, size_t bytes) {
  try {
    text.reserve(bytes);
  } catch (const std::exception&) {
  }
}

const char16_t* VerbOf(int method) {
  static constexpr const char16_t* kVerbs[] = {u"GET",     u"POST",   u"HEAD",  u"PUT",
                                               u"OPTIONS", u"DELETE", u"TRACE", u"CONNECT"};
  return method >= 0 && method < 8 ? kVerbs[method] : kVerbs[0];
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// ASCII spaces and ideographic spaces off both ends.
std::string_view TrimSpaces(std::string_view text) {
  for (;;) {
    if (text.starts_with(' ')) {
      text.remove_prefix(1);
    } else if (text.starts_with(kIdeographicSpace)) {
      text.remove_prefix(2);
    } else {
      break;
    }
  }
  for (;;) {
    if (text.ends_with(' ')) {
      text.remove_suffix(1);
    } else if (text.ends_with(kIdeographicSpace)) {
      text.remove_suffix(2);
    } else {
      break;
    }
  }
  return text;
}

// text with every marker removed, letters compared without regard to case.
Text RemoveAllIgnoringCase(std::string_view text, std::string_view marker) {
  Text out;
  int from = 1;
  for (;;) {
    const int found = ForwardSearch(text, marker, from, true);
    if (found < 0) break;
    out.append(text.substr(from - 1, found - from));
    from = found + int(marker.size());
  }
  if (from - 1 < int(text.size())) out.append(text.substr(from - 1));
  return out;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}

// How a call ends once a step has failed or the exchange is through.
enum class Exit {
  kCommon,          // window messages first, then the handles
  kCommonNoEvents,  // the platform is unusable: handles only
  kImmediate,       // handles only, at once
};

// The routine's working state: the handles it opened and what it has read.
class Exchange {
 public:
  Exchange(HttpRequestParams& params, Transport& transport)
      : params_(params), transport_(transport) {}

  Exit Run();
  void CloseHandles() {
    transport_.CloseHandle(request_);
    transport_.CloseHandle(connection_);
    transport_.CloseHandle(session_);
  }
  Text TakeBodyText() { return std::move(bodyText_); }

 private:
  using Clock = std::chrono::steady_clock;

  Exit Fail(std::string_view text, Exit exit) {
    params_.statusText = Text(text);
    return exit;
  }
  // The body as it arrives; overrun tells that the overall bound ended it.
  Text ReadBody(bool& overrun);
  void TakeResponseHead(const Text& head);

  HttpRequestParams& params_;
  Transport& transport_;
  TransportHandle session_ = kNullHandle;
  TransportHandle connection_ = kNullHandle;
  TransportHandle request_ = kNullHandle;
  RegexObject regex_;  // serves the body decoding; lives for the whole call
  Text bodyText_;
  Clock::time_point deadline_;
};

Exit Exchange::Run() {
  HttpRequestParams& p = params_;
  if (!transport_.CheckPlatform()) return Fail(kNoPlatform, Exit::kCommonNoEvents);

  const std::u16string url = AnsiToUtf16(p.url);
  UrlComponents parts;
  if (!transport_.CrackUrl(url.c_str(), std::uint32_t(url.size()), 0, parts))
    return Fail(kCrackFailed, Exit::kCommon);
  const Text host = Utf16ToAnsi(parts.hostName);
  const bool secure = parts.scheme == kSchemeHttps;
  const std::u16string objectName = parts.urlPath.empty() ? u"/" : parts.urlPath + parts.extraInfo;

  const std::u16string proxy = p.proxy.empty() ? std::u16string()
                               : secure        ? AnsiToUtf16(p.proxy)
                                               : AnsiToUtf16("http=" + p.proxy);
  session_ = transport_.Open(p.proxy.empty() ? kAccessTypeNoProxy : kAccessTypeNamedProxy,
                             proxy.empty() ? nullptr : proxy.c_str());
  if (session_ == kNullHandle) return Fail(kOpenFailed, Exit::kCommon);
  const int timeoutMs = p.timeoutSeconds < 1 ? 30000 : p.timeoutSeconds * 1000;
  // Each phase is bounded by the transport; the whole is bounded here, counted from the
  // start of the call.
  deadline_ = Clock::now() + std::chrono::milliseconds(p.overallTimeoutSeconds < 1
                                                           ? 4LL * timeoutMs
                                                           : 1000LL * p.overallTimeoutSeconds);
  if (!transport_.SetTimeouts(session_, timeoutMs, timeoutMs, timeoutMs, timeoutMs))
    return Fail(kTimeoutsFailed, Exit::kCommon);

  connection_ = transport_.Connect(session_, AnsiToUtf16(host).c_str(), parts.port);
  if (connection_ == kNullHandle) return Fail(kConnectFailed, Exit::kCommon);

  request_ = transport_.OpenRequest(connection_, VerbOf(p.method), objectName.c_str(),
                                    secure ? kFlagSecure : 0);
  if (request_ == kNullHandle) return Fail(kOpenRequestFailed, Exit::kCommon);

  if (!p.serverUser.empty() && !p.serverPassword.empty() &&
      !transport_.SetCredentials(request_, kAuthTargetServer, kAuthSchemeBasic,
                                 AnsiToUtf16(p.serverUser).c_str(),
                                 AnsiToUtf16(p.serverPassword).c_str()))
    return Fail(kCredentialsFailed, Exit::kImmediate);
  if (!p.proxyUser.empty() && !p.proxyPassword.empty() &&
      !transport_.SetCredentials(request_, kAuthTargetProxy, kAuthSchemeBasic,
                                 AnsiToUtf16(p.proxyUser).c_str(),
                                 AnsiToUtf16(p.proxyPassword).c_str()))
    return Fail(kCredentialsFailed, Exit::kImmediate);

  if (!transport_.SetOption(request_, kOptionSecurityFlags, kSecurityFlagsIgnoreCertErrors))
    return Fail(kSecurityFlagsFailed, Exit::kImmediate);
  const bool cookieFeatureSet =
      p.requestCookies.empty()
          ? transport_.SetOption(request_, kOptionDisableFeature, kDisableCookies)
          : transport_.SetOption(request_, kOptionEnableFeature, kEnableSslRevocation);
  if (!cookieFeatureSet) return Fail(kCookieFeatureFailed, Exit::kImmediate);
  if (p.noRedirect && !transport_.SetOption(request_, kOptionDisableFeature, kDisableRedirects))
    return Fail(kRedirectSwitchFailed, Exit::kImmediate);
  // The pin belongs to the certificate policy: a backend that cannot apply it fails the
  // request the way the security flags would.
  if (!p.pinnedPublicKey.empty() &&
      !transport_.SetPinnedPublicKey(request_, AnsiToUtf16(p.pinnedPublicKey).c_str()))
    return Fail(kSecurityFlagsFailed, Exit::kImmediate);

  // An empty block has nothing to add; the add step is skipped rather than failed.
  const std::u16string headerBlock = AnsiToUtf16(BuildRequestHeaders(
      p.headers, p.method, p.requestCookies, p.completeHeaders, p.normalizeNames));
  if (!headerBlock.empty() &&
      !transport_.AddRequestHeaders(request_, headerBlock.c_str(),
                                    std::uint32_t(headerBlock.size()), kAddRequestFlagAdd))
    return Fail(kHeadersFailed, Exit::kCommon);

  const Bytes body = p.bodyBytes.empty() ? BytesOf(p.bodyText) : p.bodyBytes;
  if (!transport_.SendRequest(request_, body.empty() ? nullptr : body.data(),
                              std::uint32_t(body.size()), std::uint32_t(body.size())))
    return Fail(kSendFailed, Exit::kCommon);
  if (!transport_.ReceiveResponse(request_)) return Fail(kNoResponse, Exit::kCommon);

  bool overrun = false;
  Text received = ReadBody(overrun);
  // A body cut off by the overall bound is not the reply, whatever the prefix looks like:
  // nothing of it is handed out.
  if (overrun) return Fail(kReadFailed, Exit::kCommon);

  // The raw head: a size query, then one read of exactly that size.
  std::uint32_t headBytes = 0;
  transport_.QueryHeaders(request_, kQueryRawHeadersCrlf, nullptr, headBytes);
  Bytes rawHead(headBytes);
  if (!transport_.QueryHeaders(request_, kQueryRawHeadersCrlf, rawHead.data(), headBytes))
    return Exit::kCommon;
  if (headBytes < rawHead.size()) rawHead.resize(headBytes);
  TakeResponseHead(WideToAnsi(rawHead));

  if (p.wantResponseBody) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(received.data());
    p.responseBody.assign(bytes, bytes + received.size());
  }
  bodyText_ = DecodeResponseBody(std::move(received), regex_);
  return Exit::kCommon;
}

Text Exchange::ReadBody(bool& overrun) {
  // The body bytes gather in a string so that the body text can take them over as they
  // are. A declared length sizes it once instead of by doubling; the cap bounds what a
  // server that claims more than it sends can make us reserve.
  Text received;
  const std::uint64_t declared =
      std::min(transport_.DeclaredBodyLength(request_), kMaxReservedBodyBytes);
  ReserveIfPossible(received, size_t(declared));
  for (;;) {
    if (Clock::now() >= deadline_) {
      overrun = true;
      break;
    }
    std::uint32_t available = 0;
    if (!transport_.QueryDataAvailable(request_, available) || available < 1) break;
    // The accumulator's tail is the exact-size buffer of this read, so the body is copied
    // once, and the string's growth keeps the whole loop linear.
    const size_t before = received.size();
    received.resize(before + available);
    std::uint32_t bytesRead = 0;
    const bool ok = transport_.ReadData(request_, received.data() + before, available, bytesRead);
    received.resize(before + (ok ? std::min(bytesRead, available) : 0));
    if (!ok) {
      params_.statusText = Text(kReadFailed);
      break;
    }
  }
  // A body far shorter than declared gives back the room it did not use.
  if (received.size() < declared / 2) received.shrink_to_fit();
  return received;
}

void Exchange::TakeResponseHead(const Text& head) {
  HttpRequestParams& p = params_;
  p.responseHeaders = head;

  // The status after "HTTP/1.1 ", up to the end of the status line.
  const size_t lineEnd = head.size() > 9 ? head.find("\r\n", 9) : Text::npos;
  p.statusText = lineEnd == Text::npos ? Text() : head.substr(9, lineEnd - 9);

  size_t start = 0;
  while (start < head.size()) {
    size_t end = head.find("\r\n", start);
    if (end == Text::npos) end = head.size();
    const std::string_view line(head.data() + start, end - start);
    start = end + 2;

    if (TextBefore(line, ": ") == "Set-Cookie") {
      const Text cookie = line.find(';') == std::string_view::npos
                              ? RemoveAllIgnoringCase(line, "Set-Cookie:")
                              : TextBetween(line, "Set-Cookie:", ";");
      // Cookies the caller already holds are kept apart from the new ones.
      if (!p.responseCookies.empty() && !EndsWith(p.responseCookies, "; ") &&
          !EndsWith(p.responseCookies, ";"))
        p.responseCookies += "; ";
      p.responseCookies.append(TrimSpaces(cookie));
      p.responseCookies += "; ";
    }
    if (StartsWithIgnoringCase(line, "Location: ")) p.location = Text(line.substr(10));
    ProcessPendingEvents();
  }
  if (EndsWith(p.responseCookies, "; ")) p.responseCookies.resize(p.responseCookies.size() - 2);
  if (p.mergeCookies && !p.requestCookies.empty())
    p.responseCookies = MergeCookies(p.requestCookies, p.responseCookies);
}

}  // namespace

Text HttpRequest(HttpRequestParams& params, Transport& transport) {
  Exchange exchange(params, transport);
  const Exit exit = exchange.Run();
  if (exit == Exit::kCommon) ProcessPendingEvents();
  exchange.CloseHandles();
  return exchange.TakeBodyText();
}

Text HttpRequest(HttpRequestParams& params) {
  return HttpRequest(params, DefaultTransport());
}

Text HttpRequest(const Text& url, int method, const Text& headers) {
  HttpRequestParams params;
  params.url = url;
  params.method = method;
  params.headers = headers;
  params.wantResponseBody = false;
  return HttpRequest(params);
}

}  // namespace quarvel
