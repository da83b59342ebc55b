// Expression language of the plotter: parse and evaluate formula texts such as
// "Sin(-180) * Cos(-172.8)". See docs/formula-language.md for the language.
#ifndef ZORVANTIX_HOST_SRC_FORMULA_H_
#define ZORVANTIX_HOST_SRC_FORMULA_H_

#include <string>
#include <string_view>

namespace zvhost {

struct FormulaDiagnostic {
  bool ok = true;       // false when the text did not parse
  std::string message;  // readable, e.g. "unknown function 'Sinn'" or "expected ')'"
  int column = 0;       // 1-based column of the offending character (0 when ok)
};

// Evaluates text; on a parse error returns 0.0 and fills diag (if given) with ok=false.
// Thread-safe (use thread_local caches), no heap allocation per call in the steady state.
double EvaluateExpression(std::string_view text, FormulaDiagnostic* diag = nullptr);

}  // namespace zvhost

#endif  // ZORVANTIX_HOST_SRC_FORMULA_H_
