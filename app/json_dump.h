// The JSON dump of an evaluated scene: objects, parameters, samples, generated caches and build
// counts. Users script against it: fields are added, never renamed or dropped.
#pragma once

#include <nlohmann/json.hpp>

#include "c4d.h"

namespace zvapp {
nlohmann::json DumpDocument(BaseDocument* doc);
// A parameter value as JSON (numbers, booleans, texts, [x, y, z], gradients and fonts as objects).
nlohmann::json ValueToJson(const GeData& value, const std::string& type);
}  // namespace zvapp
