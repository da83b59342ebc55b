// The print formats' common model: the polygon objects to print with their placement and colours,
// in the printer's frame, and the writers of each format.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "c4d.h"
#include "export_print.h"

namespace zvapp {

struct PrintColour {
  bool set = false;
  Vector value;
};

// One triangle of a polygon: its points, and which of the polygon's corners they are.
struct PrintTriangle {
  Int32 polygon;
  Int32 points[3];  // -1: the polygon has a corner that is no finite number (left out)
  int corners[3];
};

struct PrintPart {
  const PolygonObject* poly = nullptr;
  Matrix mg;
  std::string name;
  const Float32* pointColours = nullptr;   // four floats per point, or nothing
  const Float32* cornerColours = nullptr;  // sixteen floats per polygon, or nothing
  PrintColour colour;                      // the object's display colour, if any

  bool HasColours() const { return pointColours || cornerColours || colour.set; }
  // Each triangle, wound outward in the printer's frame; a polygon with a corner that is no
  // finite number comes as one triangle of points -1.
  void ForEachTriangle(const std::function<void(const PrintTriangle&)>& take) const;
  Vector CornerColour(Int32 polygon, int corner, Int32 point) const;
};

struct PrintModel {
  std::vector<PrintPart> parts;
  bool open = false;
  long long lines = 0, triangles = 0, holes = 0;
  Vector origin, size;  // where the model's box starts in the printer's frame; its extent in mm
  Float scale = 1.0;

  // Counts the triangles and fits the model onto the bed; false when there is nothing to print.
  bool Place(const PrintOptions& options, std::string* error);
  // A point in millimetres on the bed.
  Vector Position(const PrintPart& part, Int32 point) const;
};

bool CollectPrintModel(BaseDocument* doc, const PrintOptions& options, PrintModel* model,
                       std::string* error);

bool StageStl(StagedOutputs& staged, const std::string& path, const PrintModel& model,
              std::string* error);
bool StageObj(StagedOutputs& staged, const std::string& path, const PrintModel& model,
              std::string* error);
bool Stage3mf(StagedOutputs& staged, const std::string& path, const PrintModel& model,
              std::string* error);

}  // namespace zvapp
