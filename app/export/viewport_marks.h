// What an object draws in the host's viewport (for the plot: its sample markers), read from the
// view's record of its object pass so that the files the runner writes show it too.
#pragma once

#include <string>
#include <vector>

#include "c4d.h"

namespace zvapp {

struct MarkSet {
  enum class Style { DOTS, SPHERES, LINES };
  Style style = Style::DOTS;
  std::vector<Vector> points;   // object coordinates; two per piece for LINES
  std::vector<Vector> colours;  // the pen's display colour, one per point
  Float size = 0.0;             // DOTS: pixels across; SPHERES: radius; LINES: unused
};

// The marks of the object's object pass, one set per style it used, in the order first drawn.
// Marks that stand at a point that is not finite are left out (as a surface leaves out the faces
// that touch one).
std::vector<MarkSet> ViewportMarks(BaseObject* op);

const char* StyleName(MarkSet::Style style);

}  // namespace zvapp
