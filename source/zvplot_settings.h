// The plot's settings: one record of the values the user edits in the plot's parameters, read
// from and written to the object's container, with their defaults.
#pragma once

#include "zvplot_sdk.h"

// The formula texts of the presets 0 ... 10; each is also the name of its O3DPLOT_PRESET choice.
constexpr Int32 PRESET_COUNT = 11;
const char* PresetFormula(Int32 index);

// Every member starts at zero (0, false, the empty text, the zero vector), which no evaluated plot
// has: a record that was never filled compares as changed.
struct PlotSettings {
  Int32 preset = 0;
  Int32 resolution = 0;
  Float size = 0.0;
  Float height = 0.0;  // the full height of the box
  Int32 heightMode = 0;
  String formula;
  Bool animate = false;
  Float scalePositive = 0.0;
  Float scaleNegative = 0.0;
  Bool separateZ = false;
  Float xMin = 0.0;
  Float xMax = 0.0;
  Float zMin = 0.0;
  Float zMax = 0.0;
  Int32 colorMode = 0;
  Vector color;
  Int32 pointStyle = 0;
  Float pointSize = 0.0;
  Bool gradientAbsolute = false;
  Int32 colorRange = 0;

  // The settings of a new plot.
  static PlotSettings Defaults();
  // Missing entries read as zero.
  static PlotSettings Read(const BaseContainer& bc);
  // Writes every setting, always in the same order, so that a new container lists its entries
  // alike every time.
  void Write(BaseContainer* bc) const;
  // Whether samples evaluated with `evaluated` are stale under these settings: a setting the
  // sampled values depend on differs (a NaN always does). Size and height do not count: the
  // samples are rescaled to them instead.
  Bool SamplesDiffer(const PlotSettings& evaluated) const;

  // The plot works with half the height: values run from -HalfHeight() to +HalfHeight().
  Float HalfHeight() const { return height * 0.5; }
  // The z range the formula sees: its own with the separate switch, otherwise the x range.
  Float FormulaZMin() const { return separateZ ? zMin : xMin; }
  Float FormulaZMax() const { return separateZ ? zMax : xMax; }
};

// Stores the default colour gradient under O3DPLOT_GRADIENT; leaves the entry alone when the host
// cannot make a gradient.
void WriteDefaultGradient(BaseContainer* bc);
