// Writing the values of the variables t, x, z, h, r and f into a formula and evaluating it with the
// host's text-to-number conversion.
#pragma once

#include <vector>

#include "zvplot_sdk.h"

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
// written in parentheses so that "x^2" and "1 - x" keep their meaning. *usesTime (when given)
// receives whether the formula uses t or f.
String PrepareFormula(const String& formula, const FormulaValues& v, Bool* usesTime = nullptr);
// Whether the text uses t or f as a standalone variable.
Bool UsesTimeVariable(const String& text);
// The value of the formula at one grid node; 0 for an empty formula.
Float EvaluateFormula(const String& formula, const FormulaValues& v, BaseDocument* doc);

// A value as the formula receives it: the shortest text that reads back as the same number,
// negative values in parentheses.
String FormulaNumberText(Float v);

// A formula split once into literal pieces and the places of x and z. Within one evaluation t, h,
// r and f do not change, so their values are written into the pieces at once; a node's text is
// then the pieces with the texts of its x and z between them, byte for byte what PrepareFormula
// writes for that node.
class FormulaTemplate {
 public:
  FormulaTemplate() = default;  // the empty formula
  FormulaTemplate(const String& formula, const FormulaValues& fixed);

  Bool UsesTime() const { return usesTime_; }
  // The node's text in `text`, whose storage is reused: no allocation once it has grown.
  void Write(const String& x, const String& z, String* text) const;
  // This template with the value of `k` written into its pieces, in `out`, whose storage is
  // reused: a row's template keeps only the places of z.
  void Bind(FormulaVariable k, const String& value, FormulaTemplate* out) const;

 private:
  // pieces_[k] comes before the k-th place, whose letter is places_[k]; pieces_[places_.size()]
  // ends the text (pieces_ may hold more, unused, strings kept for their storage).
  std::vector<String> pieces_;
  std::vector<FormulaVariable> places_;
  Bool usesTime_ = false;
};

// What one worker writes a node's text with: the formula with its row's x written in, and the text.
struct FormulaScratch {
  FormulaTemplate row;
  Int64 boundRow = -1;
  String text;
};

// One evaluation of the formula over the grid: the template, and the text of each of the R + 1
// values of x and of z written once.
class FormulaGrid {
 public:
  // The x value of row i is xFirst + i * xStep, the z value of column j zFirst + j * zStep, for
  // i, j = 0 ... count - 1; t, h, r and f come from `fixed`.
  FormulaGrid(const String& formula, const FormulaValues& fixed, Float xFirst, Float xStep,
              Float zFirst, Float zStep, Int64 count, BaseDocument* doc);

  Bool IsEmpty() const { return empty_; }
  Bool UsesTime() const { return formula_.UsesTime(); }
  // The value of the formula at one node (0 for an empty formula); `scratch` is the caller's,
  // one per thread, best used row after row.
  Float Value(Int64 row, Int64 column, FormulaScratch* scratch) const;

 private:
  FormulaTemplate formula_;
  std::vector<String> xTexts_;
  std::vector<String> zTexts_;  // empty when z runs over the same values as x
  Int32 fps_ = 0;
  Bool empty_ = true;
};
