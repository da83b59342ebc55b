// Splines as glTF's line strips and loops: the stretches of finite points of each segment, a
// cubic spline's curve through its points, and the strips a float can hold.
#pragma once

#include <vector>

#include "c4d.h"
#include "gltf_frame.h"

namespace zvapp::gltf {

// A stretch of a segment's points, closed when it runs round to its start.
struct Run {
  std::vector<Vector> points;
  bool closed = false;
};

// The stretches of finite points of one segment. A closed segment without a gap stays one closed
// run; with gaps, its runs start after a gap and may wrap round the end.
std::vector<Run> FiniteRuns(const Vector* p, Int32 count, bool closed);

// A cubic spline's run as a polyline through its points: a Catmull-Rom curve with a few steps
// per span (open ends continue straight).
std::vector<Vector> SmoothRun(const Run& run);

// A line strip among the points written: its first point, its count, and whether it is a loop.
struct Strip {
  size_t first, count;
  bool closed;
};

// Appends the run's points in glTF's frame as strips; a point that a float cannot hold splits it.
void AppendStrips(const std::vector<Vector>& points, bool closed, std::vector<Float3>* out,
                  std::vector<Strip>* strips);

}  // namespace zvapp::gltf
