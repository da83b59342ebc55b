// A newcomer's first command gives the whole plot: unless the command line loads a scene, adds
// components itself or asks for the bare plot, the scene starts as the plot with the four
// components its add-component command makes (surface with vertex colours on, cage, grid, labels),
// and the grid's step is chosen for the final resolution.
#pragma once

#include <string>
#include <vector>

#include "actions.h"
#include "plot_scene.h"

namespace zvapp {

// Whether the command's actions start from the full plot (no scene file, no --add, not bare).
bool StartsFromFullPlot(const std::vector<Action>& actions, bool bare);
// The actions that build the full plot from the plot alone.
std::vector<Action> FullPlotActions();
// Whether the actions set the grid's step themselves.
bool SetsGridStep(const std::vector<Action>& actions);
// Sets the grid's step (as a user would) so that at most about 50 lines run each way at the
// plot's resolution; nothing when the scene has no grid.
bool ChooseGridStep(PlotScene& scene, std::string* error);

}  // namespace zvapp
