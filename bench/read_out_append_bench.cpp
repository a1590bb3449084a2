// Appending a long port list line by line, as start-up fills 编辑框2, must stay linear.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>

#include "app/qt/qt_main_window.h"

namespace {

void AppendLines(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const bool shown = state.range(1) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      quarvel::QtMainWindow window;
      if (shown) window.show();
      state.ResumeTiming();
      for (int i = 0; i < lines; ++i) {
        window.AppendControlText(quarvel::Control::Edit2,
                                 std::to_string(10000 + i % 55536) + "\r\n");
      }
      // The widget may catch up later: its catching up counts too.
      window.ProcessPendingEvents();
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetComplexityN(lines);
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(AppendLines)
    ->ArgsProduct({{10000, 30000, 100000}, {0, 1}})
    ->ArgNames({"lines", "shown"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
