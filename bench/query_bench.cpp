// quarvel-query end to end against a dashboard with 10 000 TCP proxies, next to what a
// shell script would do: curl the three endpoints and pick the ports out with jq.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/process_run.h"
#include "tests/app/demo_dashboard.h"

namespace quarvel::bench {
namespace {

testing::DemoDashboard& Dashboard() {
  static testing::DemoDashboard dashboard({"--proxies", "10000"});
  return dashboard;
}

void Run(benchmark::State& state, const std::vector<std::string>& argv) {
  if (Dashboard().Port() == 0) {
    state.SkipWithError("demo dashboard did not start");
    return;
  }
  long peak = 0;
  for (auto _ : state) {
    const ProcessCost cost = RunProcess(argv);
    if (cost.exitStatus != 0) {
      state.SkipWithError("the command failed");
      return;
    }
    peak = std::max(peak, cost.peakMemoryKb);
  }
  state.counters["peak_rss_kb"] = static_cast<double>(peak);
}

void BM_QuarvelQuery(benchmark::State& state) {
  Run(state, {QUARVEL_QUERY_DRIVER, std::to_string(Dashboard().Port())});
}
BENCHMARK(BM_QuarvelQuery)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlAndJq(benchmark::State& state) {
  const std::string base = "https://127.0.0.1:" + std::to_string(Dashboard().Port());
  const std::string curl =
      "curl -sk -H 'Authorization: Basic " + CompiledDashboardProfile().token + "' " + base;
  const std::string script =
      curl +
      "/api/serverinfo | jq -r '.version,.bind_port,.bind_udp_port,.vhost_http_port,"
      ".vhost_https_port,.kcp_bind_port,.subdomain_host' && " +
      curl + "/api/proxy/tcp | jq -r '.proxies[].conf.remote_port' && " + curl +
      "/api/proxy/udp | jq -r '.proxies[].conf.remote_port'";
  Run(state, {"sh", "-c", script});
}
BENCHMARK(BM_CurlAndJq)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quarvel::bench

BENCHMARK_MAIN();
