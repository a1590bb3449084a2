// HttpRequest against the curl command line on the same loopback URLs: a 100 MiB body and a
// small reply, over http and https. Both sides use the real clock (curl runs as a child).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "http/default_transport.h"
#include "http/http_request.h"
#include "tests/fixtures/fixture_server.h"

extern char** environ;

namespace quarvel {
namespace {

const testing::FixtureServer& Server() {
  static testing::FixtureServer server;
  return server;
}

std::string UrlFor(const benchmark::State& state, const std::string& path) {
  return state.range(0) ? Server().HttpsUrl(path) : Server().HttpUrl(path);
}

const char* kBig = "/big?bytes=104857600";
const char* kSmall = "/status/200";

// The second argument asks for responseBody too; the dashboard fetches leave it out.
void RunHttpRequest(benchmark::State& state, const char* path) {
  const std::string url = UrlFor(state, path);
  std::size_t bytes = 0;
  for (auto _ : state) {
    HttpRequestParams params;
    params.url = url;
    params.wantResponseBody = state.range(1) != 0;
    const Text body = HttpRequest(params);
    if (params.statusText != "200 OK") state.SkipWithError("request failed");
    bytes += body.size();
  }
  state.SetBytesProcessed(std::int64_t(bytes));
}

void RunCurl(benchmark::State& state, const char* path) {
  std::string url = UrlFor(state, path);
  std::string curl = "curl", silent = "-sk", output = "-o", nowhere = "/dev/null";
  char* argv[] = {curl.data(), silent.data(), output.data(), nowhere.data(), url.data(), nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      state.SkipWithError("curl failed");
  }
}

// The transport's share alone: the same exchange, each piece read and dropped.
void BM_TransportBigBody(benchmark::State& state) {
  Transport& transport = DefaultTransport();
  const bool secure = state.range(0) != 0;
  const int port = secure ? Server().HttpsPort() : Server().HttpPort();
  std::vector<std::uint8_t> buffer;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const TransportHandle session = transport.Open(kAccessTypeNoProxy, nullptr);
    const TransportHandle connection =
        transport.Connect(session, u"127.0.0.1", std::uint16_t(port));
    const TransportHandle request = transport.OpenRequest(
        connection, u"GET", u"/big?bytes=104857600", secure ? kFlagSecure : 0);
    transport.SetOption(request, kOptionSecurityFlags, kSecurityFlagsIgnoreCertErrors);
    if (!transport.SendRequest(request, nullptr, 0, 0) || !transport.ReceiveResponse(request))
      state.SkipWithError("exchange failed");
    std::uint32_t available = 0, got = 0;
    while (transport.QueryDataAvailable(request, available) && available > 0) {
      buffer.resize(available);
      if (!transport.ReadData(request, buffer.data(), available, got)) break;
      bytes += got;
    }
    transport.CloseHandle(request);
    transport.CloseHandle(connection);
    transport.CloseHandle(session);
  }
  state.SetBytesProcessed(std::int64_t(bytes));
}

// With --benchmark_repetitions, the fastest run: the machine's other load only ever adds.
double Fastest(const std::vector<double>& runs) {
  return runs.empty() ? 0.0 : *std::min_element(runs.begin(), runs.end());
}

void BM_HttpRequestBigBody(benchmark::State& state) {
  RunHttpRequest(state, kBig);
}
void BM_CurlBigBody(benchmark::State& state) {
  RunCurl(state, kBig);
}
void BM_HttpRequestSmallReply(benchmark::State& state) {
  RunHttpRequest(state, kSmall);
}
void BM_CurlSmallReply(benchmark::State& state) {
  RunCurl(state, kSmall);
}

BENCHMARK(BM_HttpRequestBigBody)
    ->ArgNames({"https", "responseBody"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Iterations(5)
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransportBigBody)
    ->ArgName("https")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlBigBody)
    ->ArgName("https")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpRequestSmallReply)
    ->ArgNames({"https", "responseBody"})
    ->ArgsProduct({{0, 1}, {0}})
    ->Iterations(50)
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlSmallReply)
    ->ArgName("https")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(50)
    ->UseRealTime()
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarvel

BENCHMARK_MAIN();
