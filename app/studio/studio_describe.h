// What the studio's page builds its attribute panel, object tree and viewport handles from: each
// object's description as the host's attribute manager shows it, the installed fonts and named
// gradients for its menus, and the objects' handles in world space.
#pragma once

#include <nlohmann/json.hpp>

#include "plot_scene.h"

namespace zvapp {

// {"objects": [{"path", "kind", "type", "name", "enabled", "parent", "groups", "parameters"}],
//  "fonts": [{"family", "styles"}], "gradients": [{"name", "text", "value"}]}. A parameter gives
// its identifier, short name, id, label, type, group, default (of a fresh object of its type),
// current value (as the dump writes values; a gradient or font also as "text", "defaultText"),
// min, max and step when it has them, choices, and whether the object enables and shows it now.
nlohmann::json DescribeScene(const PlotScene& scene);

// {"handles": [{"path", "index", "position", "direction"}]}: every handle of the scene's objects,
// placed with its object's global matrix (direction rotated, not moved).
nlohmann::json SceneHandles(const PlotScene& scene);

}  // namespace zvapp
