// The TCP port list from a large dashboard reply: JsonObject the way the port view uses it,
// against simdjson's bare parse-and-extract of the same bytes as the floor.
#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <charconv>
#include <string>

#include "bench/frps_reply.h"
#include "bench/port_list_fill.h"
#include "script/json_object.h"

namespace quarvel::bench {
namespace {

const std::string& Reply(int count) {
  static const std::string small = FrpsProxyReply(10000);
  static const std::string large = FrpsProxyReply(100000);
  return count == 10000 ? small : large;
}

void SetCounters(benchmark::State& state, const std::string& reply) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
  state.counters["MB"] = static_cast<double>(reply.size()) / 1e6;
}

void BM_JsonObjectPortList(benchmark::State& state) {
  const std::string& reply = Reply(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string lines = FillPortList(reply);
    benchmark::DoNotOptimize(lines);
  }
  SetCounters(state, reply);
}

// Only the Parse step, to see how the time divides.
void BM_JsonObjectParseOnly(benchmark::State& state) {
  const std::string& reply = Reply(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    JsonObject json;
    benchmark::DoNotOptimize(json.Parse(reply));
  }
  SetCounters(state, reply);
}

// Only the per-element reads, on a value parsed beforehand.
void BM_JsonObjectReadsOnly(benchmark::State& state) {
  const std::string& reply = Reply(static_cast<int>(state.range(0)));
  JsonObject json;
  json.Parse(reply);
  const int count = json.MemberCount("proxies");
  for (auto _ : state) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
      const JsonObject port =
          json.ValueObject("proxies[" + std::to_string(i) + "].conf['remote_port']");
      lines += port.ToJsonText();
      lines += "\r\n";
    }
    benchmark::DoNotOptimize(lines);
  }
  SetCounters(state, reply);
}

void BM_SimdjsonPortList(benchmark::State& state) {
  const std::string& reply = Reply(static_cast<int>(state.range(0)));
  const simdjson::padded_string padded(reply);
  simdjson::dom::parser parser;
  for (auto _ : state) {
    std::string lines;
    simdjson::dom::element root;
    if (parser.parse(padded).get(root)) state.SkipWithError("simdjson rejected the reply");
    simdjson::dom::array proxies;
    if (root["proxies"].get(proxies) == simdjson::SUCCESS) {
      for (simdjson::dom::element proxy : proxies) {
        int64_t port;
        if (proxy["conf"]["remote_port"].get(port) != simdjson::SUCCESS) continue;
        char digits[24];
        lines.append(digits, std::to_chars(digits, digits + sizeof digits, port).ptr);
        lines += "\r\n";
      }
    }
    benchmark::DoNotOptimize(lines);
  }
  SetCounters(state, reply);
}

BENCHMARK(BM_JsonObjectPortList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonObjectParseOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonObjectReadsOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimdjsonPortList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quarvel::bench

BENCHMARK_MAIN();
