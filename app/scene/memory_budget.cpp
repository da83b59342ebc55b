#include "memory_budget.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <new>

#include "messages.h"
#include "plot_kinds.h"
#include "words.h"
#include "zvplot_messages.h"

namespace zvapp {
namespace {

// What the glTF exporter holds while it builds a model (measured peaks, rounded up): per vertex
// its position, normal, UV and colour, in the model's arrays and in the buffer; per point the
// converted position, normal and colour; per polygon its triangles' indices; per object a node, a
// mesh, accessors and their JSON (which grow faster than the count: 3.5 KB an object at 100,000
// objects, 5 KB at a million).
constexpr Int64 kGltfVertexBytes = 48;
constexpr Int64 kGltfPointBytes = 36;
constexpr Int64 kGltfPolygonBytes = 24;
constexpr Int64 kGltfObjectBytes = 6 * 1024;
// The points layer: what the plot draws per sample is recorded, then written as a point.
constexpr Int64 kGltfSampleBytes = 600;
// What the runner holds besides: the host and the module, the page's three.js and template.
constexpr Int64 kBaseBytes = 16 << 20;

std::string& CurrentDoing() {
  static std::string doing = "running the command";
  return doing;
}

struct Part {
  ZVPlotMemoryEstimate estimate;
  Int64 total = 0;  // with what the outputs hold of it
};

// A print model: per polygon its two triangles with their corner colours and their place in the
// 3MF package's XML and zip, or in the OBJ writer's face list.
constexpr Int64 kPrintPolygonBytes = 320;

Int64 OutputBytes(const ZVPlotMemoryEstimate& e, const HeldOutputs& held) {
  const Int64 print = held.printModel ? e.polygons * kPrintPolygonBytes : 0;
  if (!held.glb && !held.gltf) return print;
  const Int64 model = e.vertices * kGltfVertexBytes + e.points * kGltfPointBytes +
                      e.polygons * kGltfPolygonBytes + e.objects * kGltfObjectBytes;
  // A .gltf holds its buffer once more as base64 text, in the JSON.
  return (held.gltf ? model * 2 : model) + print;
}

// The plot's samples are drawn into the points layer.
void AddSamples(BaseObject* op, const HeldOutputs& held, Part* part) {
  if ((!held.glb && !held.gltf) || !IsPlot(op)) return;
  const Int64 side = Int64(part->estimate.resolution) + 1;
  part->total += side * side * kGltfSampleBytes;
}

}  // namespace

MemoryEstimate EstimateEvaluation(PlotScene& scene, const HeldOutputs& held) {
  MemoryEstimate total;
  total.bytes = kBaseBytes + held.kept;
  Int64 largest = -1;
  std::vector<BaseObject*> stack{scene.Document()->GetFirstObject()};
  while (!stack.empty()) {
    BaseObject* op = stack.back();
    stack.pop_back();
    if (!op) continue;
    stack.push_back(op->GetNext());
    stack.push_back(op->GetDown());
    Part part;
    if (!op->Message(MSG_ZVPLOT_ESTIMATEMEMORY, &part.estimate)) continue;
    part.total = part.estimate.bytes + OutputBytes(part.estimate, held);
    AddSamples(op, held, &part);
    total.bytes += part.total;
    total.resolution = std::max(total.resolution, part.estimate.resolution);
    if (part.total > largest) {
      largest = part.total;
      total.what =
          std::string(part.estimate.what, strnlen(part.estimate.what, sizeof part.estimate.what));
    }
  }
  return total;
}

std::string HumanBytes(Int64 bytes) {
  static const char* kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB"};
  double v = static_cast<double>(bytes);
  size_t unit = 0;
  while (v >= 1024.0 && unit + 1 < std::size(kUnits)) v /= 1024.0, ++unit;
  if (unit == 0) return std::to_string(bytes) + " bytes";
  char text[32];
  const bool whole = v >= 10.0 || std::fabs(v - std::round(v)) < 0.05;  // "4 GB", not "4.0 GB"
  std::snprintf(text, sizeof text, whole ? "%.0f %s" : "%.1f %s", v, kUnits[unit]);
  return text;
}

bool ParseMemorySize(const std::string& text, Int64* bytes) {
  std::string t = Trim(text);
  Int64 scale = 1;
  if (!t.empty()) {
    switch (std::toupper(static_cast<unsigned char>(t.back()))) {
      case 'K':
        scale = Int64{1} << 10;
        break;
      case 'M':
        scale = Int64{1} << 20;
        break;
      case 'G':
        scale = Int64{1} << 30;
        break;
      default:
        break;
    }
    if (scale > 1) t.pop_back();
  }
  Int64 n = 0;
  if (!ParseWhole(t, &n) || n <= 0 || n > std::numeric_limits<Int64>::max() / scale) return false;
  *bytes = n * scale;
  return true;
}

bool MemoryLimit(Int64* bytes, std::string* error) {
  if (const char* env = std::getenv("ZV_MEMORY_LIMIT"); env && *env) {
    if (ParseMemorySize(env, bytes)) return true;
    *error = "ZV_MEMORY_LIMIT is a number of bytes, or of K, M or G (12G), not \"" +
             std::string(env) + "\"";
    return false;
  }
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long size = ::sysconf(_SC_PAGE_SIZE);
  *bytes = pages > 0 && size > 0 ? Int64(pages) * size / 2 : std::numeric_limits<Int64>::max();
  return true;
}

bool FitsBudget(Int64 bytes, const std::string& what, std::string* error) {
  Int64 limit = 0;
  if (!MemoryLimit(&limit, error)) return false;
  if (bytes <= limit) return true;
  *error = what + " need about " + HumanBytes(bytes) + "; the limit is " + HumanBytes(limit) +
           " (ZV_MEMORY_LIMIT sets it; a lower resolution needs less)";
  return false;
}

bool EvaluateWithinBudget(PlotScene& scene, const ActionSession& session, const HeldOutputs& held,
                          std::string* error) {
  const MemoryEstimate e = EstimateEvaluation(scene, held);
  if (!FitsBudget(e.bytes,
                  (e.what.empty() ? std::string("the scene") : e.what) + " at resolution " +
                      std::to_string(e.resolution),
                  error))
    return false;
  Doing doing("evaluating the scene");
  EvaluateScene(scene, session);
  return true;
}

Doing::Doing(std::string what)
    : previous_(std::move(CurrentDoing())), exceptions_(std::uncaught_exceptions()) {
  CurrentDoing() = std::move(what);
}

// Left as it is while an exception unwinds: the command's edge tells what failed.
Doing::~Doing() {
  if (std::uncaught_exceptions() == exceptions_) CurrentDoing() = std::move(previous_);
}

int RunWithinMemory(const std::function<int()>& command) {
  try {
    return command();
  } catch (const std::bad_alloc&) {
    // The staged outputs were discarded on the way out, and with them most of what was held.
    PrintError("out of memory while " + CurrentDoing() +
               " (nothing was written; a lower resolution or fewer outputs need less)");
    CurrentDoing() = "running the command";
    return 3;
  }
}

}  // namespace zvapp
