// The plain sequential path the plot's evaluation once was, kept as the reference the faster one
// must match byte for byte: each node's text made by replacing letter after letter, handed to the
// host's conversion, and the node's sample computed in one pass over the grid.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "c4d.h"
#include "c4dapi.h"
#include "zvplot.h"
#include "zvplot_formula.h"
#include "zvplot_gradient.h"
#include "zvplot_settings.h"

namespace zvtest {

// Letter after letter in the order t, x, z, h, r, f, each standalone occurrence deleted and its
// value's text inserted in its place.
inline String PlainSubstitution(const String& formula, const FormulaValues& v,
                                bool* timeDependent) {
  String text = formula;
  *timeDependent = false;
  for (Int32 k = 0; k < FORMULA_VARIABLE_COUNT; ++k) {
    const String letter(std::string(1, "txzhrf"[k]));
    Int32 s = 0;
    Int32 p = 0;
    while (s < text.GetLength() && text.FindFirst(letter, &p, s)) {
      if (IsStandalone(text, p)) {
        if (k == FORMULA_T || k == FORMULA_F) *timeDependent = true;
        text.Delete(p, 1);
        text.InsertDeprecated(p, FormulaNumberText(v[k]));
      }
      s = p + 1;
    }
  }
  return text;
}

struct ReferenceResult {
  std::vector<PlotSample> samples;
  Float valueMin = 0.0, valueMax = 0.0;
};

// The samples and value range of the plot's settings, node after node.
inline ReferenceResult ReferenceEvaluation(BaseObject* plot, BaseDocument* doc) {
  const BaseContainer& bc = plot->GetDataInstanceRef();
  const PlotSettings st = PlotSettings::Read(bc);
  PreparedGradient gradient;
  const bool byGradient = st.colorMode == O3DPLOT_COLORMODE_GRADIENT &&
                          gradient.Prepare(bc.GetCustomDataType<Gradient>(O3DPLOT_GRADIENT), doc);
  const Int64 perSide = static_cast<Int64>(st.resolution) + 1;
  const Float spacing = st.size / st.resolution, r = st.HalfHeight();
  const Float xStep = (st.xMax - st.xMin) / st.resolution;
  const Float zStep = (st.FormulaZMax() - st.FormulaZMin()) / st.resolution;
  const Int64 first = (perSide % 2 == 0) ? 1 - perSide / 2 : -(perSide / 2);
  const Float offset = (perSide % 2 == 0) ? spacing / 2.0 : 0.0;
  Float lowest = MAXVALUE_FLOAT, highest = -MAXVALUE_FLOAT;
  Vector colour = st.colorMode == O3DPLOT_COLORMODE_COLOR ? st.color : Vector(1, 1, 1);
  ReferenceResult out;
  for (Int64 i = 0; i < perSide; ++i) {
    for (Int64 j = 0; j < perSide; ++j) {
      const FormulaValues v = {DocumentSeconds(doc),
                               st.xMin + i * xStep,
                               st.FormulaZMin() + j * zStep,
                               static_cast<Float>(st.resolution),
                               r,
                               static_cast<Float>(DocumentFrame(doc))};
      bool timeDependent = false;
      const String text = PlainSubstitution(st.formula, v, &timeDependent);
      const Float value =
          st.formula.IsEmpty() ? 0.0 : StringToNumber(text, FORMAT_FLOAT, 0).GetFloat() * r;
      if (std::isfinite(value)) {
        if (value < lowest) lowest = value;
        if (value > highest) highest = value;
      }
      Float u = value;
      if (st.heightMode == O3DPLOT_HEIGHTMODE_CLIP && !std::isnan(value))
        u = std::min(r, std::max(-r, value));
      u *= u < 0.0 ? st.scaleNegative : st.scalePositive;
      if (byGradient && st.colorRange == O3DPLOT_COLORRANGE_VALUES) {
        Float p = st.gradientAbsolute ? (r > 0.0 ? std::fabs(u) / r : 0.0)
                                      : (r > 0.0 ? (u + r) / (2.0 * r) : 0.5);
        if (p < 0.0) p = 0.0;
        if (p > 1.0) p = 1.0;
        colour = gradient.Colour(p);
      }
      out.samples.push_back(
          {Vector((first + i) * spacing - offset, u, (first + j) * spacing - offset), colour});
    }
  }
  if (r > 0.0 && lowest <= highest) {
    out.valueMin = lowest / r;
    out.valueMax = highest / r;
  }
  const Float largest = std::max(std::fabs(lowest), std::fabs(highest));
  if (st.heightMode == O3DPLOT_HEIGHTMODE_FIT && lowest <= highest && largest > r && largest != 0.0)
    for (PlotSample& s : out.samples) s.position.y = s.position.y / largest * r;
  // The colour ranges other than "Values" colour the final heights, after the fit.
  if (byGradient && st.colorRange != O3DPLOT_COLORRANGE_VALUES) {
    const Int64 count = static_cast<Int64>(out.samples.size());
    const GradientSpan span = GradientSpan::Of(st.colorRange, out.samples.data(), count, r);
    ColourByHeight(out.samples.data(), count, span, st.gradientAbsolute, gradient);
  }
  return out;
}

}  // namespace zvtest
