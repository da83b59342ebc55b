#include "zvplot_formula.h"

#include "zvplot.h"

namespace {
constexpr const char* kVariables = "txzhrf";

String LetterAt(Int32 k) { return String(std::string(1, kVariables[k])); }

// The value as the formula receives it: shortest exact text, negative values in parentheses.
String NumberText(Float v) {
  String text = String::FloatToString(v, -1, -3, false, ' ');
  if (text.GetLength() > 0 && text[0] == '-') return String("(") + text + String(")");
  return text;
}

}  // namespace

Bool IsIdentifierChar(const String& c) {
  static const String a("a"), z("z"), zero("0"), nine("9");
  constexpr auto mode = STRINGCOMPARISON::CASESENSITIVE_ORDER;
  if (c.Compare(a, mode) >= 0 && z.Compare(c, mode) >= 0) return true;
  return c.Compare(zero, mode) >= 0 && nine.Compare(c, mode) >= 0;
}

Bool IsStandalone(const String& text, Int32 pos) {
  if (pos > 0 && IsIdentifierChar(text.SubStr(pos - 1, 1))) return false;
  if (pos < text.GetLength() - 1) return !IsIdentifierChar(text.SubStr(pos + 1, 1));
  return true;
}

String PrepareFormula(ZVPlot* plot, const String& formula, const FormulaValues& v) {
  String text = formula;
  Bool timeDependent = false;
  for (Int32 k = 0; k < FORMULA_VARIABLE_COUNT; ++k) {
    const String letter = LetterAt(k);
    Int32 s = 0;
    Int32 p = 0;
    while (s < text.GetLength() && text.FindFirst(letter, &p, s)) {
      if (IsStandalone(text, p)) {
        if (k == FORMULA_T || k == FORMULA_F) timeDependent = true;
        text.Delete(p, 1);
        text.Insert(p, NumberText(v[k]));
      }
      s = p + 1;
    }
  }
  if (plot) plot->SetTimeDependent(timeDependent);
  return text;
}

Bool UsesTimeVariable(const ZVPlot*, const String& text) {
  for (Int32 k : {FORMULA_T, FORMULA_F}) {
    const String letter = LetterAt(k);
    Int32 s = 0;
    Int32 p = 0;
    while (s < text.GetLength() && text.FindFirst(letter, &p, s)) {
      if (IsStandalone(text, p)) return true;
      s = p + 1;
    }
  }
  return false;
}

Float EvaluateFormula(ZVPlot* plot, const String& formula, const FormulaValues& v,
                      BaseDocument* doc) {
  if (formula.IsEmpty()) return 0.0;
  const String text = PrepareFormula(plot, formula, v);
  const Int32 fps = doc ? doc->GetDataInstanceRef().GetInt32(DOCUMENT_FPS) : 0;
  return StringToNumber(text, FORMAT_FLOAT, fps, nullptr).GetFloat();
}
