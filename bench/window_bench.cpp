// The Qt window (offscreen) filled from a dashboard with 100 000 TCP proxies: the time until
// it is shown and the memory it takes, next to jq picking the same ports out of the same
// reply. Run one benchmark per process for a clean peak_rss_kb, e.g.
//   window_bench --benchmark_filter=BM_WindowShown
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <string>

#include "app/qt/qt_main_window.h"
#include "app/startup.h"
#include "bench/process_run.h"
#include "http/pending_events.h"
#include "tests/app/demo_dashboard.h"

namespace quarvel::bench {
namespace {

constexpr const char* kTcpReplyFile = "/tmp/quarvel-bench-tcp-100k.json";

testing::DemoDashboard& Dashboard() {
  static testing::DemoDashboard dashboard({"--proxies", "100000"});
  return dashboard;
}

long OwnPeakMemoryKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_WindowShown(benchmark::State& state) {
  if (Dashboard().Port() == 0) return state.SkipWithError("demo dashboard did not start");
  size_t lines = 0;
  for (auto _ : state) {
    QtMainWindow window;
    SetPendingEventsHook([&window] { window.ProcessPendingEvents(); });
    OnMainWindowCreated(window, Dashboard().Profile());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return state.SkipWithError("not shown");
    SetPendingEventsHook(nullptr);
    lines = window.ControlText(Control::Edit2).size() / 7;
  }
  state.counters["peak_rss_kb"] = static_cast<double>(OwnPeakMemoryKb());
  state.counters["tcp_lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_WindowShown)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void RunJq(benchmark::State& state, const std::vector<std::string>& argv) {
  if (Dashboard().Port() == 0) return state.SkipWithError("demo dashboard did not start");
  long peak = 0;
  for (auto _ : state) {
    const ProcessCost cost = RunProcess(argv);
    if (cost.exitStatus != 0) return state.SkipWithError("jq failed");
    peak = std::max(peak, cost.peakMemoryKb);
  }
  state.counters["peak_rss_kb"] = static_cast<double>(peak);
}

// jq alone, on the TCP reply saved to a file: no network, no window.
void BM_JqOnSavedReply(benchmark::State& state) {
  if (Dashboard().Port() == 0) return state.SkipWithError("demo dashboard did not start");
  const std::string url =
      "https://127.0.0.1:" + std::to_string(Dashboard().Port()) + "/api/proxy/tcp";
  RunProcess({"curl", "-sk", "-o", kTcpReplyFile, "-H",
              "Authorization: Basic " + CompiledDashboardProfile().token, url});
  RunJq(state, {"jq", "-r", ".proxies[].conf.remote_port", kTcpReplyFile});
  std::remove(kTcpReplyFile);
}
BENCHMARK(BM_JqOnSavedReply)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace quarvel::bench
