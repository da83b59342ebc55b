#include "value_text.h"

#include "font_text.h"
#include "gradient_text.h"
#include "refusal.h"

namespace zvapp {
namespace {

// A parameter as the user knows it: by its label (its identifier when it has none).
std::string Named(const zvhost::ParameterInfo& p) { return p.label.empty() ? p.symbol : p.label; }

// "#rrggbb" for a colour, else three numbers separated by commas.
bool ParseVector(const std::string& text, bool colour, Vector* out) {
  if (colour && ParseHexColour(text, out)) return true;
  const std::string t = Trim(text);
  double v[3];
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t comma = t.find(',', start);
    if ((i < 2) == (comma == std::string::npos)) return false;
    const size_t length = comma == std::string::npos ? std::string::npos : comma - start;
    if (!ParseNumber(t.substr(start, length), &v[i])) return false;
    start = comma + 1;
  }
  *out = Vector(v[0], v[1], v[2]);
  return true;
}

bool ParseChoice(const zvhost::ParameterInfo& p, const std::string& text, GeData* out,
                 std::string* error) {
  Int32 v = 0;
  if (ParseWhole(text, &v)) return *out = GeData(v), true;
  const std::string wanted = Lower(Trim(text));
  for (const auto& [value, label] : p.cycle)
    if (Lower(label) == wanted) return *out = GeData(value), true;
  // Or the choice's own name, its identifier after the parameter's: O3DPLOTGRID_MODE_LEVELS is
  // "levels".
  const std::string prefix = p.symbol + "_";
  for (size_t k = 0; k < p.cycle.size() && k < p.cycleSymbols.size(); ++k) {
    const std::string& symbol = p.cycleSymbols[k];
    if (symbol.size() > prefix.size() && symbol.compare(0, prefix.size(), prefix) == 0 &&
        Lower(symbol.substr(prefix.size())) == wanted)
      return *out = GeData(p.cycle[k].first), true;
  }
  return Fail(error, Named(p) + " takes a whole number" +
                         (p.cycle.empty() ? "" : " or a choice's name") + ", not \"" + text + "\"");
}

}  // namespace

bool ParseValue(const zvhost::ParameterInfo& p, const std::string& text, GeData* out,
                std::string* error) {
  const std::string what = Named(p);
  if (p.type == "LONG") return ParseChoice(p, text, out, error);
  if (p.type == "REAL") {
    double v = 0.0;
    if (!ParseNumber(text, &v)) return Fail(error, what + " takes a number, not \"" + text + "\"");
    return *out = GeData(v), true;
  }
  if (p.type == "BOOL") {
    const std::string t = Lower(Trim(text));
    if (t == "1" || t == "true" || t == "on" || t == "yes") return *out = GeData(true), true;
    if (t == "0" || t == "false" || t == "off" || t == "no") return *out = GeData(false), true;
    return Fail(error, what + " takes true or false, not \"" + text + "\"");
  }
  if (p.type == "VECTOR" || p.type == "COLOR") {
    Vector v;
    if (!ParseVector(text, p.type == "COLOR", &v))
      return Fail(error, what + " takes three numbers like 1,0.5,0" +
                             (p.type == "COLOR" ? std::string(" or #rrggbb") : "") + ", not \"" +
                             text + "\"");
    return *out = GeData(v), true;
  }
  if (p.type == "STRING") return *out = GeData(String(text)), true;
  if (p.type == "GRADIENT") {
    Gradient g;
    std::string why;
    if (!ParseGradient(text, &g, &why)) return Fail(error, what + ": " + why);
    return *out = GeData(g), true;
  }
  if (p.type == "FONT") {
    GeData value(FONTCHOOSER_DATA, DEFAULTVALUE);
    FontData* f = value.GetCustomDataTypeWritable<FontData>();
    std::string why;
    if (!f || !ParseFont(text, f, &why)) return Fail(error, what + ": " + why);
    return *out = value, true;
  }
  return Fail(error, what + " cannot be set from the command line");
}

}  // namespace zvapp
