#include "gltf_lines.h"

#include <algorithm>
#include <cstddef>

namespace zvapp::gltf {
namespace {

constexpr int kCurveSubsteps = 4;     // points per span of a cubic spline at most
constexpr size_t kCurveBudget = 256;  // fewer sub-steps on long curves: dense grids are smooth

Vector CatmullRom(const Vector& p0, const Vector& p1, const Vector& p2, const Vector& p3,
                  double t) {
  const double t2 = t * t, t3 = t2 * t;
  return 0.5 * (2.0 * p1 + (p2 - p0) * t + (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3) * t2 +
                (3.0 * p1 - p0 - 3.0 * p2 + p3) * t3);
}

}  // namespace

std::vector<Run> FiniteRuns(const Vector* p, Int32 count, bool closed) {
  std::vector<Run> runs;
  Int32 gap = -1;
  for (Int32 i = 0; i < count && gap < 0; ++i) {
    if (!IsFinite(p[i])) gap = i;
  }
  if (gap < 0) {
    runs.push_back({std::vector<Vector>(p, p + count), closed});
    return runs;
  }
  const Int32 start = closed ? gap + 1 : 0;
  Run run;
  for (Int32 k = 0; k < count; ++k) {
    const Vector& v = p[(start + k) % count];
    if (IsFinite(v)) {
      run.points.push_back(v);
    } else if (!run.points.empty()) {
      runs.push_back(std::move(run));
      run = Run{};
    }
  }
  if (!run.points.empty()) runs.push_back(std::move(run));
  return runs;
}

std::vector<Vector> SmoothRun(const Run& run) {
  const std::vector<Vector>& p = run.points;
  const size_t n = p.size();
  if (n < 3) return p;
  const size_t spans = run.closed ? n : n - 1;
  const size_t steps = std::clamp<size_t>(kCurveBudget / spans, 1, kCurveSubsteps);
  if (steps == 1) return p;
  const auto sn = static_cast<std::ptrdiff_t>(n);
  const auto at = [&](std::ptrdiff_t i) -> Vector {
    if (run.closed) return p[static_cast<size_t>((i % sn + sn) % sn)];
    if (i < 0) return 2.0 * p[0] - p[1];
    if (i >= sn) return 2.0 * p[n - 1] - p[n - 2];
    return p[static_cast<size_t>(i)];
  };
  std::vector<Vector> out;
  out.reserve(spans * steps + 1);
  for (std::ptrdiff_t s = 0; s < static_cast<std::ptrdiff_t>(spans); ++s) {
    const Vector p0 = at(s - 1), p1 = at(s), p2 = at(s + 1), p3 = at(s + 2);
    for (size_t k = 0; k < steps; ++k)
      out.push_back(
          CatmullRom(p0, p1, p2, p3, static_cast<double>(k) / static_cast<double>(steps)));
  }
  if (!run.closed) out.push_back(p[n - 1]);
  return out;
}

void AppendStrips(const std::vector<Vector>& points, bool closed, std::vector<Float3>* out,
                  std::vector<Strip>* strips) {
  size_t first = out->size();
  bool split = false;
  const auto finish = [&]() {
    const size_t count = out->size() - first;
    if (count >= 2)
      strips->push_back({first, count, closed && !split && count >= 3});
    else
      out->resize(first);
    first = out->size();
  };
  for (const Vector& v : points) {
    Float3 f;
    if (ToGltfPoint(v, &f)) {
      out->push_back(f);
    } else {
      split = true;
      finish();
    }
  }
  finish();
}

}  // namespace zvapp::gltf
