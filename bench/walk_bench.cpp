// The end-point walk over line segments laid end to end in rows, so that about
// half of the offered points repeat one already placed: the walk with its
// spatial index, the walk with a plain scan of the placed points for
// comparison, and the placed-point list alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "endpoints/EndPoints.h"
#include "exchange/JwwGaibu.h"

namespace {

// Segments per row; the rows are stacked a spacing apart.
constexpr int64_t kRowLength = 1000;
constexpr double kSpacing = 0.37;

// Fills JwwLine with segments offering `offered` end points in all.
void FillRows(int64_t offered) {
  JwwInit();
  const int64_t segments = offered / 2;
  for (int64_t s = 0; s < segments; ++s) {
    GrowForAppend(JwwLine, JwwLineCount);
    TJwwEntLine& e = JwwLine[JwwLineCount - 1];
    e = TJwwEntLine{};
    const double row = static_cast<double>(s / kRowLength) * kSpacing;
    const double col = static_cast<double>(s % kRowLength) * kSpacing;
    e.X1 = col, e.Y1 = row, e.X2 = col + kSpacing, e.Y2 = row;
  }
}

// Items per second, and the time per offered point (seconds, shown with an SI prefix).
void ReportPerPoint(benchmark::State& state, int64_t offered) {
  state.SetItemsProcessed(state.iterations() * offered);
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(offered),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Walk(benchmark::State& state) {
  const int64_t offered = state.range(0);
  FillRows(offered);
  TEndPointChoices choices;
  TPlacedPointList placed;
  for (auto _ : state) {
    EndPointWalk(choices, placed, nullptr);
    state.PauseTiming();
    benchmark::DoNotOptimize(JwwOutCount);
    placed.Clear();
    JwwClearOut();
    state.ResumeTiming();
  }
  ReportPerPoint(state, offered);
  JwwFree();
}
BENCHMARK(BM_Walk)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The same walk over the lines with the duplicate search as a scan of every
// placed point, first to last.
void ScanWalk(std::vector<TPlacedPoint>& placed) {
  auto offer = [&placed](double x, double y) {
    for (const TPlacedPoint& p : placed) {
      if (fabsl(static_cast<long double>(p.X) - x) <= 1e-8L &&
          fabsl(static_cast<long double>(p.Y) - y) <= 1e-8L) {
        return;
      }
    }
    placed.push_back(TPlacedPoint{x, y});
    EmitPoint(x, y);
  };
  for (int32_t i = 0; i < JwwLineCount; ++i) {
    const TJwwEntLine& e = JwwLine[i];
    offer(e.X1, e.Y1);
    offer(e.X2, e.Y2);
  }
}

void BM_LinearScanWalk(benchmark::State& state) {
  const int64_t offered = state.range(0);
  FillRows(offered);
  std::vector<TPlacedPoint> placed;
  for (auto _ : state) {
    ScanWalk(placed);
    state.PauseTiming();
    benchmark::DoNotOptimize(JwwOutCount);
    placed.clear();
    JwwClearOut();
    state.ResumeTiming();
  }
  ReportPerPoint(state, offered);
  JwwFree();
}
BENCHMARK(BM_LinearScanWalk)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The duplicate search alone: every offered point looked up, the new ones appended.
void BM_PlacedPointList(benchmark::State& state) {
  const int64_t offered = state.range(0);
  std::vector<TPlacedPoint> points;
  points.reserve(static_cast<size_t>(offered));
  for (int64_t s = 0; s < offered / 2; ++s) {
    const double row = static_cast<double>(s / kRowLength) * kSpacing;
    const double col = static_cast<double>(s % kRowLength) * kSpacing;
    points.push_back(TPlacedPoint{col, row});
    points.push_back(TPlacedPoint{col + kSpacing, row});
  }
  TPlacedPointList placed;
  for (auto _ : state) {
    for (const TPlacedPoint& p : points) {
      if (!placed.Contains(p.X, p.Y)) placed.Append(p.X, p.Y);
    }
    state.PauseTiming();
    benchmark::DoNotOptimize(placed.PlacedCount());
    placed.Clear();
    state.ResumeTiming();
  }
  ReportPerPoint(state, offered);
}
BENCHMARK(BM_PlacedPointList)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
