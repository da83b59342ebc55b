// The formats printers and 3D tools read: binary STL, 3MF and OBJ with vertex colours. They hold
// the plot's polygon geometry (its surface or solid, its markers or primitives), in millimetres,
// with z up: a scene unit is a millimetre unless the longest side is asked for.
#pragma once

#include <string>
#include <vector>

#include "atomic_file.h"

class BaseDocument;

namespace zvapp {

struct PrintOptions {
  bool all = false;   // the labels' extruded text too (the cage's and grid's lines are left out)
  double size = 0.0;  // the length of the model's longest side in millimetres; 0: unit for unit
};

struct PrintReport {
  long long parts = 0;  // polygon objects written
  long long triangles = 0;
  double size[3] = {0.0, 0.0, 0.0};  // the model's extent in millimetres: x, y (depth), z (up)
  bool open = false;                 // a surface that is not closed (Solid off) is among the parts
  long long lines = 0;               // line objects (cage, grid) left out with --print-all
  long long holes = 0;               // faces left out because a corner is not a finite number
};

// Whether the path ends in one of the print formats' extensions (.stl, .3mf, .obj).
bool IsPrintFile(const std::string& path);

// Stages the print file the path's extension names. False with *error naming the problem (no
// polygon geometry at all, a size that is not a positive number, a write that failed).
bool StagePrintFile(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                    const PrintOptions& options, PrintReport* report, std::string* error);

// The notes a command prints after writing a print file: the size, and when the model is not
// closed, how to close it.
std::vector<std::string> PrintNotes(const std::string& path, const PrintReport& report,
                                    const PrintOptions& options);

}  // namespace zvapp
