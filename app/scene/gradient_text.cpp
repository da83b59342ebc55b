#include "gradient_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "refusal.h"
#include "suggest.h"
#include "words.h"

namespace zvapp {
namespace {

struct NamedGradient {
  const char* name;
  const char* knots;
};

// Colour maps a plotter user knows, as a few knots each; smooth interpolation between them keeps
// their look. rgb is the plot's own default gradient.
constexpr NamedGradient kNamed[] = {
    {"rgb", "0:#0000ff,0.5:#00ff00,1:#ff0000"},
    {"viridis", "0:#440154,0.25:#3b528b,0.5:#21918c,0.75:#5ec962,1:#fde725"},
    {"magma", "0:#000004,0.25:#51127c,0.5:#b73779,0.75:#fc8961,1:#fcfdbf"},
    {"coolwarm", "0:#3b4cc0,0.5:#dddddd,1:#b40426"},
    {"grey", "0:#000000,1:#ffffff"},
};

bool ParseFraction(const std::string& text, double* out) {
  return ParseNumber(text, out) && *out >= 0.0 && *out <= 1.0;
}

// POSITION:COLOUR[@BIAS]
bool ParseKnot(const std::string& text, maxon::GradientKnot* knot, std::string* error) {
  const std::string what = "the knot \"" + Trim(text) + "\" ";
  const size_t colon = text.find(':');
  if (colon == std::string::npos)
    return Fail(error, what + "is not POSITION:#RRGGBB (for example 0.5:#00ff00)");
  const size_t at = text.find('@', colon);
  const std::string colour = text.substr(colon + 1, at == std::string::npos ? at : at - colon - 1);
  double position = 0.0, bias = 0.5;
  if (!ParseFraction(text.substr(0, colon), &position))
    return Fail(error, what + "has no position from 0 to 1 before its ':'");
  Vector rgb;
  if (!ParseHexColour(colour, &rgb))
    return Fail(error, what + "has no colour #rrggbb after its ':'");
  knot->col = maxon::Color(rgb.x, rgb.y, rgb.z);
  if (at != std::string::npos && !ParseFraction(text.substr(at + 1), &bias))
    return Fail(error, what + "has no bias from 0 to 1 after its '@'");
  knot->pos = position;
  knot->bias = bias;
  knot->brightness = 1.0;
  knot->index = 0;
  knot->interpolation = maxon::GRADIENT_INTERPOLATION_TYPE::SMOOTHKNOT;
  return true;
}

bool ParseKnots(const std::string& text, Gradient* out, std::string* error) {
  Gradient g;
  g.SetData(GRADIENT_MODE, GeData(Int32(GRADIENTMODE_COLOR)));
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
    if (static_cast<size_t>(g.GetKnotCount()) == kMaxGradientKnots)
      return Fail(error, "a gradient has at most " + std::to_string(kMaxGradientKnots) + " knots");
    maxon::GradientKnot knot;
    if (!ParseKnot(item, &knot, error)) return false;
    g.InsertKnot(knot);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  *out = std::move(g);
  return true;
}

std::string Shortest(double v) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return ec == std::errc() ? std::string(text, end) : "0";
}

std::string HexColour(const Vector& c) {
  static const char kHex[] = "0123456789abcdef";
  std::string text = "#";
  for (const double v : {c.x, c.y, c.z}) {
    const int byte =
        static_cast<int>(std::lround(std::clamp(std::isnan(v) ? 0.0 : v, 0.0, 1.0) * 255));
    text += {kHex[byte >> 4], kHex[byte & 15]};
  }
  return text;
}

}  // namespace

const std::vector<std::string>& GradientNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const NamedGradient& g : kNamed) n.push_back(g.name);
    return n;
  }();
  return names;
}

bool ParseGradient(const std::string& text, Gradient* out, std::string* error) {
  const std::string t = Trim(text);
  for (const NamedGradient& g : kNamed)
    if (Lower(t) == g.name) return ParseKnots(g.knots, out, error);
  if (t.find(':') != std::string::npos) return ParseKnots(t, out, error);
  const std::string names = OneOf(GradientNames());
  return Fail(error, "\"" + t +
                         "\" is neither a knot list like 0:#0000ff,1:#ff0000 nor a named "
                         "gradient (" +
                         names + ")" + DidYouMean(Lower(t), GradientNames()));
}

std::string GradientText(const Gradient& gradient) {
  std::string text;
  for (Int32 i = 0; i < gradient.GetKnotCount(); ++i) {
    const maxon::GradientKnot k = gradient.GetKnot(i);
    if (!text.empty()) text += ",";
    text +=
        Shortest(std::clamp(k.pos, 0.0, 1.0)) + ":" + HexColour(Vector(k.col.r, k.col.g, k.col.b));
    if (k.bias != 0.5) text += "@" + Shortest(std::clamp(k.bias, 0.0, 1.0));
  }
  return text;
}

}  // namespace zvapp
