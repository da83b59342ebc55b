// The JSON dump of an evaluated scene: objects, parameters, samples, generated caches and build
// counts. Users script against it: fields are added, never renamed or dropped.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "atomic_file.h"
#include "c4d.h"

namespace zvapp {
// Takes the dump's text piece by piece; false stops the writing.
using TextSink = std::function<bool(std::string_view)>;
struct DumpOptions {
  // false leaves out the arrays of samples, points, polygons, segments and tag data; their counts
  // stay (what the studio's page reads after each edit).
  bool arrays = true;
};
// Writes the dump, pretty with two blanks of indentation and members in name order, and a newline
// after it. Its large arrays go out as they are written, without a tree of every number. False
// when the sink refused a piece.
bool WriteDump(BaseDocument* doc, const TextSink& sink, const DumpOptions& options = {});
// The dump staged among a command's outputs; false with a message naming the file.
bool StageDumpFile(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                   std::string* error);
// The dump written to a file whole or not at all; false with a message naming the file.
bool WriteDumpFile(BaseDocument* doc, const std::string& path, std::string* error);
// A parameter value as JSON (numbers, booleans, texts, [x, y, z], gradients and fonts as objects).
nlohmann::json ValueToJson(const GeData& value, const std::string& type);
}  // namespace zvapp
