// Level lines of a plot's samples: the curves along which the surface keeps one height, found by
// marching squares over the sample grid and joined into the segments of one linear spline.
#pragma once

#include "zvplot_sdk.h"

struct PlotSample;  // zvplot_messages.h

// At most this many heights are drawn: a step so small that more of its multiples fall within the
// plotted range draws every second multiple (every fourth, ...) instead.
constexpr Int32 kMaxLevelLines = 1000;

// Which heights the lines are drawn at.
struct LevelChoice {
  // `count` evenly spaced heights strictly between the lowest and the highest sample ...
  Int32 count = 10;
  // ... or, when the step is above 0, every multiple of the step in the formula's own values that
  // is plotted strictly between them. A formula value v is plotted at v * perPositive when v >= 0
  // and at v * perNegative when below: the box height of a value of 1 and of -1 negated.
  Float step = 0.0;
  Float perPositive = 0.0;
  Float perNegative = 0.0;
};

// Where the lines are drawn: at their heights on the surface, and flat on the box's floor.
struct LevelPlaces {
  Bool surface = true;
  Bool floor = false;
  Float floorHeight = 0.0;
};

// The level lines of `n` x `n` samples in the plot's order (x-major), as one linear spline: one
// segment per piece, closed when the piece closes on itself, open where it meets the border or a
// sample that is not a number (a cell with such a corner has no lines). The pieces on the floor
// follow those on the surface, in the same order. A cell whose corners are two above and two below
// in turn (a saddle) joins its crossings as its centre value (the corners' mean) says. A sample at
// a line's height counts as above it; a piece that shrinks to one point so is left out.
//
// Each line crosses each cell edge at most once, so one line has fewer points than the rows and
// columns of the grid have; all the lines together keep at most LevelLinePointLimit(n) points per
// place: past that, every second line is drawn, then every fourth, and so on, counted from the
// lowest of evenly spaced lines, or for a step from the multiple nearest 0 (so a line at 0 stays).
// Nothing (an empty spline) when n < 2, nothing is placed, the samples are flat or memory runs out.
SplineObject* BuildLevelLines(const PlotSample* samples, Int32 n, const LevelChoice& choice,
                              const LevelPlaces& places);

// The most points the lines of `n` x `n` samples keep per place: as many as the grid's rows and
// columns at step 1.
Int64 LevelLinePointLimit(Int64 n);
// The most bytes BuildLevelLines allocates for `n` x `n` samples and `places` (1 or 2) places,
// its spline included.
Int64 LevelLineBytes(Int64 n, Int32 places);
