#include "output_formats.h"

#include <algorithm>

#include "export_gltf.h"
#include "json_dump.h"
#include "suggest.h"

namespace zvapp {
namespace {

bool StageGltf(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
               const OutputContext& context, std::string* error) {
  ExportReport report;
  return StageGltfFile(staged, doc, path, context.title, &report, error);
}

bool StageDump(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
               const OutputContext&, std::string* error) {
  return StageDumpFile(staged, doc, path, error);
}

bool StagePrint(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                const OutputContext& context, std::string* error) {
  PrintReport report;
  if (!StagePrintFile(staged, doc, path, context.print, &report, error)) return false;
  if (context.notes) {
    for (std::string& note : PrintNotes(path, report, context.print))
      context.notes->push_back(std::move(note));
  }
  return true;
}

}  // namespace

const std::vector<OutputFormat>& OutputFormats() {
  static const std::vector<OutputFormat> formats = {
      // A self-contained viewer page of every frame; it holds one frame's GLB at a time.
      {".html", {.glb = true}, Staging::kOnePage, nullptr},
      // glTF 2.0, binary.
      {".glb", {.glb = true}, Staging::kEachFrame, StageGltf},
      // glTF 2.0 as JSON, its buffer embedded as base64 text.
      {".gltf", {.gltf = true}, Staging::kEachFrame, StageGltf},
      // The JSON dump, streamed as it is written.
      {".json", {}, Staging::kEachFrame, StageDump},
      // For printers: binary STL, streamed from the scene; 3MF, made whole (a zip package of the
      // meshes, colours and unit); OBJ with vertex colours, each part's faces listed first.
      {".stl", {}, Staging::kEachFrame, StagePrint},
      {".3mf", {.printModel = true}, Staging::kEachFrame, StagePrint},
      {".obj", {.printModel = true}, Staging::kEachFrame, StagePrint},
  };
  return formats;
}

const OutputFormat* FindOutputFormat(const std::string& path) {
  const std::string ending = PathEnding(path);
  for (const OutputFormat& f : OutputFormats())
    if (ending == f.ending) return &f;
  return nullptr;
}

std::string OutputEndings(bool sorted) {
  std::vector<std::string> endings;
  for (const OutputFormat& f : OutputFormats()) endings.push_back(f.ending);
  if (sorted) std::sort(endings.begin(), endings.end());
  return OneOf(endings);
}

std::string PathEnding(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

}  // namespace zvapp
