#include "full_plot.h"

namespace zvapp {
namespace {

// A grid line every sample up to 50 cells a side; beyond, every few samples.
constexpr Int32 kMostGridCells = 50;

std::optional<Int32> GridType() {
  const Kind* grid = FindKind("grid");
  return grid ? KindType(*grid) : std::nullopt;
}

bool IsGridStep(const std::string& target) {
  const size_t dot = target.find('.');
  if (dot == std::string::npos || target.substr(0, dot) != "grid") return false;
  const std::optional<Int32> type = GridType();
  const auto p = type ? ResolveParameter(*type, target.substr(dot + 1)) : std::nullopt;
  return p && p->symbol == "O3DPLOTGRID_STEP";
}

}  // namespace

bool StartsFromFullPlot(const std::vector<Action>& actions, bool bare) {
  if (bare) return false;
  for (const Action& a : actions)
    if (a.word == "scene" || a.word == "add") return false;
  return true;
}

std::vector<Action> FullPlotActions() {
  // The gradient spans the plotted heights, as in any plotting tool, instead of a fixed -1 ... 1.
  return {{"set", {"plot.colorrange", "Data"}},
          {"add", {"mesh"}},
          {"set", {"mesh.vertexcolors", "true"}},
          {"add", {"cage"}},
          {"add", {"grid"}},
          {"add", {"labels"}}};
}

bool SetsGridStep(const std::vector<Action>& actions) {
  for (const Action& a : actions)
    if (a.word == "set" && !a.args.empty() && IsGridStep(a.args[0])) return true;
  return false;
}

bool ChooseGridStep(PlotScene& scene, std::string* error) {
  BaseObject* grid = scene.Find("grid");
  const std::optional<Int32> resolution = PlotParameter("O3DPLOT_RESOLUTION");
  const std::optional<Int32> type = GridType();
  const auto step = type ? zvhost::FindParameter(*type, "O3DPLOTGRID_STEP") : std::nullopt;
  if (!grid || !scene.Plot() || !resolution || !step) return true;
  const Int32 cells = scene.Plot()->GetDataInstanceRef().GetInt32(*resolution);
  const Int32 wanted = std::max<Int32>(1, (cells + kMostGridCells - 1) / kMostGridCells);
  if (grid->GetDataInstanceRef().GetInt32(step->id) == wanted) return true;
  return zvhost::SetUserParameter(grid, step->id, GeData(wanted), error);
}

}  // namespace zvapp
