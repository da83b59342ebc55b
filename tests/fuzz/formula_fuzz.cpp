// The formula language as the host converts a text to a number (the text-to-number conversion the
// module calls once per grid node). Besides not crashing, hanging or leaking:
// - a text that does not parse converts to 0 with a message and a column inside the text, and a
//   text that parses leaves no message;
// - the result does not depend on the per-thread cache of compiled shapes: a thread of its own,
//   with an empty cache, gets the same, and so does this thread after converting the same shape
//   with other numbers;
// - the runner's check of a formula with its variables agrees with the conversion on whether the
//   text parses, where it has no variable letter.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "c4d.h"
#include "formula.h"
#include "host_app.h"

namespace {

[[noreturn]] void Fault(const char* what, std::string_view text) {
  std::fprintf(stderr, "formula fault: %s for the text of %zu bytes\n", what, text.size());
  std::abort();
}

bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

double Convert(std::string_view text) {
  return StringToNumber(String(std::string(text)), FORMAT_FLOAT, 0, nullptr).GetFloat();
}

// The text with each digit changed: the same shape with other numbers.
std::string OtherNumbers(std::string_view text) {
  std::string other(text);
  for (char& c : other)
    if (c >= '0' && c <= '9') c = c == '9' ? '1' : static_cast<char>(c + 1);
  return other;
}

bool HasVariableLetter(std::string_view text) {
  return text.find_first_of("txzhrf") != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  zvhost::FormulaDiagnostic diag;
  const double value = zvhost::EvaluateExpression(text, &diag);
  if (!diag.ok && (value != 0.0 || diag.message.empty() || diag.column < 1 ||
                   static_cast<std::size_t>(diag.column) > text.size() + 1))
    Fault("a refusal without its message, column or zero", text);
  if (diag.ok && (!diag.message.empty() || diag.column != 0))
    Fault("a message without a refusal", text);

  double fresh = 0.0;
  std::thread([&] { fresh = zvhost::EvaluateExpression(text); }).join();
  if (!Same(fresh, value)) Fault("another result with an empty cache", text);
  Convert(OtherNumbers(text));
  if (!Same(Convert(text), value)) Fault("another result after the same shape", text);

  if (!HasVariableLetter(text) && zvhost::CheckExpression(text, "").ok != diag.ok)
    Fault("the runner's check and the conversion disagree", text);
  return 0;
}
