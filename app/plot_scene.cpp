#include "plot_scene.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace zvapp {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  const size_t b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool ParseDouble(const std::string& text, double* out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  const char* end = t.data() + t.size();
  auto [ptr, ec] = std::from_chars(t.data(), end, *out);
  return ec == std::errc() && ptr == end;
}

bool ParseInt(const std::string& text, Int32* out) {
  const std::string t = Trim(text);
  const char* end = t.data() + t.size();
  auto [ptr, ec] = std::from_chars(t.data(), end, *out);
  return !t.empty() && ec == std::errc() && ptr == end;
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

// "#rrggbb" for a colour, else three numbers separated by commas.
bool ParseVector(const std::string& text, bool colour, Vector* out) {
  const std::string t = Trim(text);
  if (colour && t.size() == 7 && t[0] == '#') {
    unsigned rgb = 0;
    auto [ptr, ec] = std::from_chars(t.data() + 1, t.data() + 7, rgb, 16);
    if (ec != std::errc() || ptr != t.data() + 7) return false;
    *out = Vector(((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
    return true;
  }
  double v[3];
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t comma = t.find(',', start);
    if ((i < 2) == (comma == std::string::npos)) return false;
    if (!ParseDouble(t.substr(start, comma == std::string::npos ? std::string::npos : comma - start), &v[i]))
      return false;
    start = comma + 1;
  }
  *out = Vector(v[0], v[1], v[2]);
  return true;
}

}  // namespace

std::optional<zvhost::ParameterInfo> ResolveParameter(Int32 type, const std::string& name) {
  const std::string wanted = Lower(name);
  for (zvhost::ParameterInfo& p : zvhost::ListParameters(type)) {
    const std::string symbol = Lower(p.symbol);
    const size_t underscore = symbol.find('_');
    const std::string shortName = underscore == std::string::npos ? symbol : symbol.substr(underscore + 1);
    if (wanted == symbol || wanted == shortName || wanted == std::to_string(p.id)) return p;
  }
  return std::nullopt;
}

bool ParseValue(const zvhost::ParameterInfo& p, const std::string& text, GeData* out,
                std::string* error) {
  const std::string what = p.symbol + " (" + p.type + ")";
  if (p.type == "LONG") {
    Int32 v = 0;
    if (ParseInt(text, &v)) return *out = GeData(v), true;
    for (const auto& [value, label] : p.cycle)
      if (Lower(label) == Lower(Trim(text))) return *out = GeData(value), true;
    return Fail(error, what + " takes a whole number" + (p.cycle.empty() ? "" : " or a choice's name") +
                           ", not \"" + text + "\"");
  }
  if (p.type == "REAL") {
    double v = 0.0;
    if (!ParseDouble(text, &v)) return Fail(error, what + " takes a number, not \"" + text + "\"");
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
                             (p.type == "COLOR" ? std::string(" or #rrggbb") : "") + ", not \"" + text + "\"");
    return *out = GeData(v), true;
  }
  if (p.type == "STRING") return *out = GeData(String(text)), true;
  return Fail(error, what + " cannot be set from the command line");
}

PlotScene::PlotScene() : doc_(BaseDocument::Alloc()) {
  const std::optional<Int32> type = PlotType();
  if (BaseObject* plot = type ? BaseObject::Alloc(*type) : nullptr)
    doc_->InsertObject(plot, nullptr, nullptr);
  doc_->SetFps(30);
}

PlotScene::~PlotScene() { BaseDocument::Free(doc_); }

void PlotScene::Adopt(BaseDocument* doc) {
  BaseDocument::Free(doc_);
  doc_ = doc;
}

BaseObject* PlotScene::Plot() const {
  for (BaseObject* op = doc_->GetFirstObject(); op; op = op->GetNext())
    if (IsPlot(op)) return op;
  return nullptr;
}

BaseObject* PlotScene::Find(const std::string& kind) const {
  const Kind* k = FindKind(kind);
  BaseObject* plot = Plot();
  if (!k || !plot) return nullptr;
  if (!k->addChoice) return plot;
  const std::optional<Int32> type = KindType(*k);
  if (!type) return nullptr;
  // Depth-first below the plot.
  std::vector<BaseObject*> stack{plot->GetDown()};
  while (!stack.empty()) {
    BaseObject* op = stack.back();
    stack.pop_back();
    if (!op) continue;
    if (op->GetType() == *type) return op;
    stack.push_back(op->GetNext());
    stack.push_back(op->GetDown());
  }
  return nullptr;
}

bool PlotScene::Add(const std::string& kind, std::string* error) {
  const Kind* k = FindKind(kind);
  if (!k || !k->addChoice)
    return Fail(error, "unknown component \"" + kind + "\" (choose mesh, grid, cage or labels)");
  BaseObject* plot = Plot();
  if (!plot) return Fail(error, "the scene has no plot object");
  const std::optional<Int32> command = PlotParameter("O3DPLOT_ADD_COMPONENT");
  const std::optional<Int32> choice =
      zvhost::FindDescriptionIdentifier(plot->GetType(), k->addChoice);
  if (!KindType(*k) || !command || !choice)
    return Fail(error, "the module does not provide the component \"" + kind + "\"");
  // The plot's add-component command: choose the kind, then press the choice as its button.
  return zvhost::SetUserParameter(plot, *command, GeData(*choice), error) &&
         zvhost::PressButton(plot, *command, error);
}

bool PlotScene::SetValue(BaseObject* op, const std::string& name, const std::string& text,
                         std::string* error) {
  const auto p = ResolveParameter(op->GetType(), name);
  if (!p) return Fail(error, "\"" + op->GetName().GetStdString() + "\" has no parameter \"" + name + "\"");
  GeData value;
  return ParseValue(*p, text, &value, error) && zvhost::SetUserParameter(op, p->id, value, error);
}

bool PlotScene::Set(const std::string& assignment, std::string* error) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) return Fail(error, "\"" + assignment + "\" is not [OBJECT.]NAME=VALUE");
  size_t dot = assignment.find('.');
  // Without an object the parameter is the plot's.
  if (dot == std::string::npos || dot > eq) return SetValue(Plot(), assignment.substr(0, eq), assignment.substr(eq + 1), error);
  const std::string kind = assignment.substr(0, dot);
  BaseObject* op = Find(kind);
  if (!op) {
    return Fail(error, FindKind(kind) ? "the scene has no " + kind + " (add it with --add " + kind + ")"
                                      : "unknown object \"" + kind + "\" (plot, mesh, grid, cage, labels)");
  }
  return SetValue(op, assignment.substr(dot + 1, eq - dot - 1), assignment.substr(eq + 1), error);
}

bool PlotScene::Press(const std::string& button, std::string* error) {
  const size_t dot = button.find('.');
  const std::string kind = dot == std::string::npos ? "plot" : button.substr(0, dot);
  BaseObject* op = Find(kind);
  if (!op) return Fail(error, "the scene has no " + kind);
  const auto p = ResolveParameter(op->GetType(), button.substr(dot == std::string::npos ? 0 : dot + 1));
  if (!p || p->type != "BUTTON") return Fail(error, "\"" + button + "\" is not a button");
  return zvhost::PressButton(op, p->id, error);
}

void PlotScene::SetFrame(Int32 frame, Int32 fps) {
  doc_->SetFps(fps);
  doc_->SetTime(BaseTime(static_cast<Float>(frame), static_cast<Float>(fps > 0 ? fps : 1)));
}

void PlotScene::Evaluate() { doc_->ExecutePasses(nullptr, true, true, true); }

}  // namespace zvapp
