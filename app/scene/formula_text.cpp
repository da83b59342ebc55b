#include "formula_text.h"

#include "host_app.h"
#include "host_utf8.h"
#include "refusal.h"
#include "zvplot_messages.h"

namespace zvapp {
namespace {

// A power written as in other languages: the formula with ^ in its place.
std::string PowerHint(const std::string& formula) {
  if (formula.find("**") == std::string::npos) return "";
  std::string fixed = formula;
  for (size_t at = fixed.find("**"); at != std::string::npos; at = fixed.find("**", at + 1))
    fixed.replace(at, 2, "^");
  return " (did you mean \"" + fixed + "\"? a power is written ^)";
}

}  // namespace

bool CheckFormulaText(const std::string& formula, std::string* error, int* column) {
  if (formula.empty()) return true;
  // Bytes first: a text of more bytes than the limit has more characters only if it is UTF-8.
  if (formula.size() > kMaxFormulaCharacters) {
    const size_t characters = zvhost::DecodeUtf8(formula).size();
    if (characters > kMaxFormulaCharacters)
      return Fail(error, "the formula is " + std::to_string(characters) +
                             " characters long; the limit is " +
                             std::to_string(kMaxFormulaCharacters) + " characters");
  }
  const zvhost::ConversionDiagnostic d = zvhost::CheckExpression(formula, ZVPLOT_FORMULA_VARIABLES);
  if (d.ok) return true;
  if (column) *column = d.column;
  return Fail(error, "the formula \"" + formula + "\" does not parse at column " +
                         std::to_string(d.column) + ": " + d.message + PowerHint(formula));
}

}  // namespace zvapp
