// Timing of text solids: a line of glyphs costs its glyphs' worth, however long it is.
#include <benchmark/benchmark.h>

#include <string>

#include "text_extrude.h"
#include "text_layout.h"

namespace zvhost {
namespace {

TextOutline Line(const std::string& text) {
  TextOutline outline;
  if (const auto font = DefaultFont()) LayoutText(*font, text, 10, 0, &outline, nullptr);
  return outline;
}

void BM_ExtrudeLineOfW(benchmark::State& state) {
  const TextOutline outline = Line(std::string(static_cast<size_t>(state.range(0)), 'W'));
  for (auto _ : state) benchmark::DoNotOptimize(ExtrudeOutline(outline, {0, 0, 1}));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ExtrudeLineOfW)
    ->RangeMultiplier(4)
    ->Range(16, 4096)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// A height label of a plot of x * 1e300 with twenty decimals: 324 characters.
void BM_ExtrudeHugeNumberLabel(benchmark::State& state) {
  const TextOutline outline = Line("-1800000000000000021346992113759060147151" +
                                   std::string(263, '0') + "." + std::string(20, '0'));
  for (auto _ : state) benchmark::DoNotOptimize(ExtrudeOutline(outline, {0, 0, 0.1}));
}
BENCHMARK(BM_ExtrudeHugeNumberLabel)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zvhost
