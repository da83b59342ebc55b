// The plot's formula path as its evaluation runs it: for every node of the default 51 x 51 grid
// (x and z from -180 to 180), the plot's own substitution of the variables and the host's
// text-to-number conversion, for each of the eleven presets; muParser re-reading the very texts the
// plot's substitution makes, in the same run; formulas of growing length; and whole execution steps
// of a plot through the host's document evaluation.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "bench_support.h"
#include "c4d.h"
#include "formula.h"
#include "plot_scene.h"
#include "zvplot_formula.h"
#include "zvplot_settings.h"

namespace {

constexpr Int32 kResolution = 50;
constexpr double kDeg = std::numbers::pi / 180.0;

// The variables as the plot's evaluation sets them with the default settings at frame 0.
struct NodeValues {
  NodeValues(Int32 row, Int32 column) {
    const Float step = 360.0 / kResolution;
    v[FORMULA_X] = -180.0 + row * step;
    v[FORMULA_Z] = -180.0 + column * step;
    v[FORMULA_H] = kResolution;
    v[FORMULA_R] = 25.0;
  }
  operator const FormulaValues&() const { return v; }  // NOLINT
  FormulaValues v = {};
};

constexpr Int64 kNodes = static_cast<Int64>(kResolution + 1) * (kResolution + 1);

// Sum of the values of every node, the formula prepared and each node evaluated as the plot's
// evaluation does it.
double PlotPathSum(const String& formula) {
  const NodeValues fixed(0, 0);
  const Float step = 360.0 / kResolution;
  const FormulaGrid grid(formula, fixed, -180.0, step, -180.0, step, kResolution + 1, nullptr);
  FormulaScratch scratch;
  double sum = 0.0;
  for (Int32 row = 0; row <= kResolution; ++row) {
    for (Int32 column = 0; column <= kResolution; ++column)
      sum += grid.Value(row, column, &scratch);
  }
  return sum;
}

void PerNode(benchmark::State& state, Int64 nodes) {
  state.counters["ns_per_node"] = benchmark::Counter(
      static_cast<double>(nodes) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Argument: the preset.
void BM_PlotPath(benchmark::State& state) {
  const String formula(PresetFormula(static_cast<Int32>(state.range(0))));
  state.SetLabel(formula.GetStdString());
  for (auto _ : state) benchmark::DoNotOptimize(PlotPathSum(formula));
  PerNode(state, kNodes);
}
BENCHMARK(BM_PlotPath)->DenseRange(0, PRESET_COUNT - 1);

// muParser with the functions of the presets, in degrees as the host's language has them.
double SinD(double v) { return std::sin(v * kDeg); }
double CosD(double v) { return std::cos(v * kDeg); }
double TanD(double v) { return std::tan(v * kDeg); }
double AtanD(double v) { return std::atan(v) / kDeg; }
double Sqrt(double v) { return std::sqrt(v); }
double Abs(double v) { return std::fabs(v); }
double Log(double v) { return std::log(v); }
double Pow(double a, double b) { return std::pow(a, b); }

void DefineFunctions(mu::Parser& parser) {
  parser.SetArgSep(';');
  parser.DefineFun("Sin", SinD);
  parser.DefineFun("Cos", CosD);
  parser.DefineFun("Tan", TanD);
  parser.DefineFun("Atan", AtanD);
  parser.DefineFun("Sqrt", Sqrt);
  parser.DefineFun("Abs", Abs);
  parser.DefineFun("Log", Log);
  parser.DefineFun("Pow", Pow);
}

// Argument: the preset. The texts are the ones the plot's substitution writes for the nodes.
void BM_MuParserReparse(benchmark::State& state) {
  const String formula(PresetFormula(static_cast<Int32>(state.range(0))));
  state.SetLabel(formula.GetStdString());
  std::vector<std::string> texts;
  for (Int32 row = 0; row <= kResolution; ++row) {
    for (Int32 column = 0; column <= kResolution; ++column) {
      texts.push_back(PrepareFormula(formula, NodeValues(row, column)).GetStdString());
    }
  }
  mu::Parser parser;
  DefineFunctions(parser);
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& text : texts) {
      parser.SetExpr(text);
      sum += parser.Eval();
    }
    benchmark::DoNotOptimize(sum);
  }
  PerNode(state, kNodes);
}
BENCHMARK(BM_MuParserReparse)->DenseRange(0, PRESET_COUNT - 1);

// The host's conversion alone on texts made beforehand (no substitution): the floor the plot's
// path approaches.
void BM_HostConversionOnly(benchmark::State& state) {
  const String formula(PresetFormula(0));
  std::vector<std::string> texts;
  for (Int32 row = 0; row <= kResolution; ++row) {
    for (Int32 column = 0; column <= kResolution; ++column) {
      texts.push_back(PrepareFormula(formula, NodeValues(row, column)).GetStdString());
    }
  }
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& text : texts) sum += zvhost::EvaluateExpression(text);
    benchmark::DoNotOptimize(sum);
  }
  PerNode(state, kNodes);
}
BENCHMARK(BM_HostConversionOnly);

// The same values computed by compiled code, the floor of any formula evaluation.
void BM_Native(benchmark::State& state) {
  for (auto _ : state) {
    double sum = 0;
    for (Int32 row = 0; row <= kResolution; ++row) {
      for (Int32 column = 0; column <= kResolution; ++column) {
        const NodeValues n(row, column);
        sum += SinD(n.v[FORMULA_X]) * CosD(n.v[FORMULA_Z]);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  PerNode(state, kNodes);
}
BENCHMARK(BM_Native);

// Argument: formula length in bytes, made of "Sin(x) * Cos(z) + " terms: the cost per node grows
// with the length, and should grow no faster.
void BM_LongFormula(benchmark::State& state) {
  std::string text = "0";
  while (text.size() + 18 <= static_cast<size_t>(state.range(0))) text += " + Sin(x) * Cos(z)";
  const String formula(text);
  for (auto _ : state) benchmark::DoNotOptimize(PlotPathSum(formula));
  PerNode(state, kNodes);
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(kNodes) * static_cast<double>(text.size()) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LongFormula)->Arg(1024)->Arg(8192)->Arg(32768)->Unit(benchmark::kMillisecond);

// A whole execution step of the default plot (gradient colouring) through the host's document
// evaluation. Switching the plot off and on again empties its samples, so each step evaluates.
// Arguments: the resolution and the host's workers. Wall time: the workers' time counts.
void BM_ExecutionStep(benchmark::State& state) {
  if (!zvbench::EnsureModule(state)) return;
  zvhost::SetThreadCount(static_cast<Int32>(state.range(1)));
  zvapp::PlotScene scene;
  std::string error;
  if (!scene.Set("resolution=" + std::to_string(state.range(0)), &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  scene.Evaluate();
  for (auto _ : state) {
    state.PauseTiming();
    zvhost::SetEnabled(scene.Plot(), false);
    zvhost::SetEnabled(scene.Plot(), true);
    state.ResumeTiming();
    scene.Evaluate();
  }
  zvhost::SetThreadCount(0);
}
BENCHMARK(BM_ExecutionStep)
    ->ArgsProduct({{50, 1000}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
