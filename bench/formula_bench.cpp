// Evaluating "Sin(x) * Cos(z)" over the 51 x 51 nodes of x, z in -180..180 (step 7.2), as the
// plotter does, against muParser with variables and muParser re-reading each text.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "formula.h"
#include "number_text.h"

namespace {

constexpr int kSteps = 51;  // -180, -172.8, ..., 180
constexpr double kDeg = std::numbers::pi / 180.0;

double Node(int i) { return -180.0 + 7.2 * i; }

// A number substituted for a name: negative numbers go in parentheses.
std::string Num(double v) {
  std::string text = zvhost::FormatFloat(v, -1, -3, false, U' ');
  return v < 0 ? "(" + text + ")" : text;
}

std::string NodeText(double x, double z) { return "Sin(" + Num(x) + ") * Cos(" + Num(z) + ")"; }

const std::vector<std::string>& GridTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> out;
    for (int i = 0; i < kSteps; ++i) {
      for (int j = 0; j < kSteps; ++j) out.push_back(NodeText(Node(i), Node(j)));
    }
    return out;
  }();
  return texts;
}

double SinDegrees(double v) { return std::sin(v * kDeg); }
double CosDegrees(double v) { return std::cos(v * kDeg); }

void BM_Zorvantix_PrebuiltTexts(benchmark::State& state) {
  const std::vector<std::string>& texts = GridTexts();
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& text : texts) sum += zvhost::EvaluateExpression(text);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_Zorvantix_PrebuiltTexts);

void BM_Zorvantix_FormatAndEvaluate(benchmark::State& state) {
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < kSteps; ++i) {
      for (int j = 0; j < kSteps; ++j) {
        sum += zvhost::EvaluateExpression(NodeText(Node(i), Node(j)));
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSteps * kSteps);
}
BENCHMARK(BM_Zorvantix_FormatAndEvaluate);

void BM_MuParser_Variables(benchmark::State& state) {
  double x = 0, z = 0;
  mu::Parser parser;
  parser.DefineFun("Sin", SinDegrees);
  parser.DefineFun("Cos", CosDegrees);
  parser.DefineVar("x", &x);
  parser.DefineVar("z", &z);
  parser.SetExpr("Sin(x) * Cos(z)");
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < kSteps; ++i) {
      for (int j = 0; j < kSteps; ++j) {
        x = Node(i);
        z = Node(j);
        sum += parser.Eval();
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSteps * kSteps);
}
BENCHMARK(BM_MuParser_Variables);

void BM_MuParser_PrebuiltTexts(benchmark::State& state) {
  const std::vector<std::string>& texts = GridTexts();
  mu::Parser parser;
  parser.DefineFun("Sin", SinDegrees);
  parser.DefineFun("Cos", CosDegrees);
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& text : texts) {
      parser.SetExpr(text);
      sum += parser.Eval();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_MuParser_PrebuiltTexts);

// The floor: the same values computed directly.
void BM_Native(benchmark::State& state) {
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < kSteps; ++i) {
      for (int j = 0; j < kSteps; ++j) sum += SinDegrees(Node(i)) * CosDegrees(Node(j));
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSteps * kSteps);
}
BENCHMARK(BM_Native);

}  // namespace


