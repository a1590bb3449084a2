// The request routine's handling of a response head and body, fed through the scripted
// transport: status text, cookies, Location, cookie merging and body decoding over
// arbitrary bytes.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "http/http_request.h"
#include "tests/http/fake_transport.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool merge = input.Flag();
  HttpRequestParams params;
  params.url = "https://127.0.0.1:27500/api/proxy/tcp";
  params.requestCookies = input.Piece();
  params.responseCookies = input.Piece();
  params.mergeCookies = merge;
  const Text body = input.Piece();

  testing::FakeTransport transport;
  transport.responseHead = Text(input.Rest());
  // Two pieces, neither empty: an empty piece would end the read loop early.
  transport.bodyChunks.clear();
  if (body.size() >= 2) {
    transport.bodyChunks = {body.substr(0, body.size() / 2), body.substr(body.size() / 2)};
  } else if (!body.empty()) {
    transport.bodyChunks = {body};
  }
  const Text result = HttpRequest(params, transport);

  if (result.size() > body.size() * 2 + 16) abort();
  if (params.responseBody.size() != body.size() && !params.responseHeaders.empty()) abort();
  return 0;
}
