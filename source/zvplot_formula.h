// Writing the values of the variables t, x, z, h, r and f into a formula and evaluating it with the
// host's text-to-number conversion.
#pragma once

#include "c4d.h"

class ZVPlot;

// Variable values in the order of the letters "txzhrf".
enum FormulaVariable : Int32 {
  FORMULA_T,  // time in seconds
  FORMULA_X,
  FORMULA_Z,
  FORMULA_H,  // the resolution
  FORMULA_R,  // the half height
  FORMULA_F,  // the frame
  FORMULA_VARIABLE_COUNT
};
using FormulaValues = Float[FORMULA_VARIABLE_COUNT];

// Lower-case letters and digits are identifier characters.
Bool IsIdentifierChar(const String& c);
// Whether the letter at `pos` stands alone: no identifier character right before or after it.
Bool IsStandalone(const String& text, Int32 pos);
// The formula with every standalone variable letter replaced by its value; a negative value is
// written in parentheses so that "x^2" and "1 - x" keep their meaning. Sets the plot's time
// dependence (the formula uses t or f).
String PrepareFormula(ZVPlot* plot, const String& formula, const FormulaValues& v);
// Whether the text uses t or f as a standalone variable.
Bool UsesTimeVariable(const ZVPlot* plot, const String& text);
// The value of the formula at one grid node; 0 for an empty formula.
Float EvaluateFormula(ZVPlot* plot, const String& formula, const FormulaValues& v,
                      BaseDocument* doc);
