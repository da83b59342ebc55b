#include "plot_kinds.h"

#include <cmath>

#include "host_app.h"

namespace zvapp {

const std::vector<Kind>& Kinds() {
  static const std::vector<Kind> kinds = {
      {"plot", "Oo3dplot", nullptr},
      {"mesh", "Oo3dplotmesh", "O3DPLOT_ADD_COMPONENT_MESH"},
      {"grid", "Oo3dplotgrid", "O3DPLOT_ADD_COMPONENT_GRID"},
      {"cage", "Oo3dplotcage", "O3DPLOT_ADD_COMPONENT_CAGE"},
      {"labels", "Oo3dplotlabel", "O3DPLOT_ADD_COMPONENT_LABELS"}};
  return kinds;
}

const Kind* FindKind(const std::string& name) {
  for (const Kind& k : Kinds())
    if (name == k.name) return &k;
  return nullptr;
}

std::vector<std::string> KindNames(bool componentsOnly) {
  std::vector<std::string> names;
  for (const Kind& k : Kinds())
    if (!componentsOnly || k.addChoice) names.push_back(k.name);
  return names;
}

std::optional<Int32> KindType(const Kind& kind) { return zvhost::FindObjectType(kind.type); }

const Kind* FindKindOfType(Int32 type) {
  for (const Kind& k : Kinds())
    if (KindType(k) == type) return &k;
  return nullptr;
}

std::optional<Int32> PlotType() { return KindType(Kinds().front()); }

bool IsPlot(const BaseObject* op) {
  return op && op->GetNodeData<NodeData>() && PlotType() == op->GetType();
}

std::optional<Int32> PlotParameter(const char* symbol) {
  const std::optional<Int32> plot = PlotType();
  if (!plot) return std::nullopt;
  const auto p = zvhost::FindParameter(*plot, symbol);
  return p ? std::optional<Int32>(p->id) : std::nullopt;
}

std::string PlotFormula(const BaseObject* plot) {
  const std::optional<Int32> id = PlotParameter("O3DPLOT_FORMULA");
  return plot && id ? plot->GetDataInstanceRef().GetString(*id).GetStdString() : std::string();
}

ZVPlotSampleView PlotSamples(BaseObject* plot) {
  ZVPlotSampleView view;
  if (IsPlot(plot)) plot->Message(MSG_ZVPLOT_GETSAMPLES, &view);
  return view;
}

long long CountNonFiniteSamples(BaseObject* plot) {
  const ZVPlotSampleView view = PlotSamples(plot);
  long long n = 0;
  for (Int64 i = 0; i < view.count; ++i) {
    const Vector& p = view.samples[i].position;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) ++n;
  }
  return n;
}

}  // namespace zvapp
