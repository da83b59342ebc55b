// What the runner writes after the actions: the final evaluation (one frame, or each frame of
// --frames A:B) and the files asked for: glTF, HTML pages, JSON dumps and the saved scene.
#pragma once

#include <string>
#include <vector>

#include "actions.h"
#include "export_print.h"
#include "plot_scene.h"

namespace zvapp {

struct OutputOptions {
  std::vector<std::string> outputs;  // -o: a file of one of the OutputFormats()
  std::string frames;                // "A:B": one output per frame (one animated page for .html)
  std::string save;                  // the scene file
  std::string dump;                  // the JSON dump ("-": standard output)
  PrintOptions print;                // --print-all, --print-size
};

// The outputs' types and the frame range, checked before anything is done.
bool CheckOutputs(const OutputOptions& o, std::string* error);
// Evaluates the scene at the document's frame (or at each frame of the range, at the document's
// frame rate) and writes every output of it.
bool WriteOutputs(const OutputOptions& o, PlotScene& scene, const ActionSession& session,
                  std::string* error);

}  // namespace zvapp
