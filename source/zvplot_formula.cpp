#include "zvplot_formula.h"

#include "zvplot_messages.h"

namespace {
constexpr const char* kVariables = ZVPLOT_FORMULA_VARIABLES;
static_assert(sizeof(ZVPLOT_FORMULA_VARIABLES) == FORMULA_VARIABLE_COUNT + 1,
              "a letter for every variable");

// The variable a character names, or -1.
Int32 VariableOf(Utf32Char c) {
  for (Int32 k = 0; k < FORMULA_VARIABLE_COUNT; ++k)
    if (static_cast<Utf32Char>(kVariables[k]) == c) return k;
  return -1;
}

// Lower-case ASCII letters and digits; any other character, letters of other scripts among them,
// ends an identifier.
bool IsIdentifierCode(Utf32Char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// Calls place(position, variable) for every standalone variable letter of the text, in order of
// position. A replaced letter was standalone, so its neighbours are no identifier characters and
// the letters next to it keep the meaning they had in the formula: one pass over the formula finds
// the same places as replacing letter after letter.
template <typename Place>
void ForEachVariable(const String& text, Place&& place) {
  const Int32 n = text.GetLength();
  for (Int32 p = 0; p < n; ++p) {
    const Int32 k = VariableOf(text[p]);
    if (k < 0) continue;
    if (p > 0 && IsIdentifierCode(text[p - 1])) continue;
    if (p < n - 1 && IsIdentifierCode(text[p + 1])) continue;
    place(p, static_cast<FormulaVariable>(k));
  }
}

bool IsTimeVariable(FormulaVariable k) { return k == FORMULA_T || k == FORMULA_F; }

void Clear(String* text) { text->Delete(0, text->GetLength()); }

}  // namespace

// The host writes as many digits as the value needs to read back exactly: "up to three decimals",
// which a plain conversion means, would move the nodes of a fine grid onto each other.
String FormulaNumberText(Float v) {
  String text = maxon::String::FloatToString(v, maxon::STRING_MAXIMUM_PRECISION);
  if (text.GetLength() > 0 && text[0] == '-') return String("(") + text + String(")");
  return text;
}

Bool IsIdentifierChar(const String& c) { return c.GetLength() > 0 && IsIdentifierCode(c[0]); }

Bool IsStandalone(const String& text, Int32 pos) {
  if (pos > 0 && IsIdentifierChar(text.SubStr(pos - 1, 1))) return false;
  if (pos < text.GetLength() - 1) return !IsIdentifierChar(text.SubStr(pos + 1, 1));
  return true;
}

// ---- Template ---------------------------------------------------------------------------------

FormulaTemplate::FormulaTemplate(const String& formula, const FormulaValues& fixed) {
  String piece;
  Int32 copied = 0;  // the formula is copied up to here
  ForEachVariable(formula, [&](Int32 p, FormulaVariable k) {
    piece += formula.SubStr(copied, p - copied);
    copied = p + 1;
    if (IsTimeVariable(k)) usesTime_ = true;
    if (k == FORMULA_X || k == FORMULA_Z) {
      pieces_.push_back(piece);
      places_.push_back(k);
      Clear(&piece);
    } else {
      piece += FormulaNumberText(fixed[k]);
    }
  });
  piece += formula.SubStr(copied, formula.GetLength() - copied);
  pieces_.push_back(piece);
}

void FormulaTemplate::Write(const String& x, const String& z, String* text) const {
  Clear(text);
  for (size_t k = 0; k < places_.size(); ++k) {
    *text += pieces_[k];
    *text += places_[k] == FORMULA_X ? x : z;
  }
  *text += pieces_[places_.size()];
}

void FormulaTemplate::Bind(FormulaVariable k, const String& value, FormulaTemplate* out) const {
  out->usesTime_ = usesTime_;
  out->places_.clear();
  size_t used = 0;
  // The next piece of `out`, emptied; earlier pieces are done with when it is taken.
  const auto next = [out, &used]() -> String& {
    if (out->pieces_.size() == used) out->pieces_.emplace_back();
    String& piece = out->pieces_[used++];
    Clear(&piece);
    return piece;
  };
  String* piece = &next();
  for (size_t i = 0; i < places_.size(); ++i) {
    *piece += pieces_[i];
    if (places_[i] == k) {
      *piece += value;
    } else {
      out->places_.push_back(places_[i]);
      piece = &next();
    }
  }
  *piece += pieces_[places_.size()];
}

// ---- Per node ---------------------------------------------------------------------------------

String PrepareFormula(const String& formula, const FormulaValues& v, Bool* usesTime) {
  const FormulaTemplate prepared(formula, v);
  String text;
  prepared.Write(FormulaNumberText(v[FORMULA_X]), FormulaNumberText(v[FORMULA_Z]), &text);
  if (usesTime) *usesTime = prepared.UsesTime();
  return text;
}

Bool UsesTimeVariable(const String& text) {
  Bool uses = false;
  ForEachVariable(text, [&](Int32, FormulaVariable k) { uses = uses || IsTimeVariable(k); });
  return uses;
}

namespace {
Int32 DocumentFps(BaseDocument* doc) {
  return doc ? doc->GetDataInstanceRef().GetInt32(DOCUMENT_FPS) : 0;
}
}  // namespace

Float EvaluateFormula(const String& formula, const FormulaValues& v, BaseDocument* doc) {
  if (formula.IsEmpty()) return 0.0;
  const String text = PrepareFormula(formula, v);
  return StringToNumber(text, FORMAT_FLOAT, DocumentFps(doc), nullptr).GetFloat();
}

// ---- Grid -------------------------------------------------------------------------------------

namespace {
std::vector<String> AxisTexts(Float first, Float step, Int64 count) {
  std::vector<String> texts;
  texts.reserve(static_cast<size_t>(count));
  for (Int64 i = 0; i < count; ++i) texts.push_back(FormulaNumberText(first + i * step));
  return texts;
}
}  // namespace

FormulaGrid::FormulaGrid(const String& formula, const FormulaValues& fixed, Float xFirst,
                         Float xStep, Float zFirst, Float zStep, Int64 count, BaseDocument* doc)
    : formula_(formula, fixed), fps_(DocumentFps(doc)), empty_(formula.IsEmpty()) {
  if (empty_ || count <= 0) return;
  xTexts_ = AxisTexts(xFirst, xStep, count);
  // Without a z range of its own z runs over the very values of x (NaNs never compare equal, and
  // then the texts are simply made twice).
  if (!(zFirst == xFirst && zStep == xStep)) zTexts_ = AxisTexts(zFirst, zStep, count);
}

Float FormulaGrid::Value(Int64 row, Int64 column, FormulaScratch* scratch) const {
  if (empty_) return 0.0;
  if (scratch->boundRow != row) {
    formula_.Bind(FORMULA_X, xTexts_[static_cast<size_t>(row)], &scratch->row);
    scratch->boundRow = row;
  }
  const std::vector<String>& zTexts = zTexts_.empty() ? xTexts_ : zTexts_;
  static const String kBound;  // x is written into the row's pieces
  scratch->row.Write(kBound, zTexts[static_cast<size_t>(column)], &scratch->text);
  return StringToNumber(scratch->text, FORMAT_FLOAT, fps_, nullptr).GetFloat();
}
