// The module's object kinds as the runner names them, found through what the host registered and
// what the module's descriptions and published messages define: the runner knows the module by
// these names only, never by its numbers or its code.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "c4d.h"
#include "zvplot_messages.h"

namespace zvapp {

struct Kind {
  const char* name;       // as the command line writes it: "mesh"
  const char* type;       // the description's container symbol: "Oo3dplotmesh"
  const char* addChoice;  // the plot's add-component choice ("O3DPLOT_ADD_COMPONENT_MESH"), or
                          // nothing for the plot itself
};
const std::vector<Kind>& Kinds();
const Kind* FindKind(const std::string& name);
// The kinds' names (of the components only: those the plot's command adds).
std::vector<std::string> KindNames(bool componentsOnly = false);
// The kind of a registered type, or nothing (also for every type while the module is not loaded).
const Kind* FindKindOfType(Int32 type);
// The type id the host registered for the kind; nothing while the module is not loaded.
std::optional<Int32> KindType(const Kind& kind);
std::optional<Int32> PlotType();
bool IsPlot(const BaseObject* op);

// The id of a parameter of the plot, by its description identifier ("O3DPLOT_FORMULA").
std::optional<Int32> PlotParameter(const char* symbol);
// The plot's formula text (empty when there is none).
std::string PlotFormula(const BaseObject* plot);

// The plot's published view of its samples as of its last evaluation (count 0 when there are none).
ZVPlotSampleView PlotSamples(BaseObject* plot);
// How many samples of the plot are not finite numbers.
long long CountNonFiniteSamples(BaseObject* plot);

}  // namespace zvapp
