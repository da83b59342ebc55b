#include "plot_scene.h"

#include <cmath>
#include <map>
#include <set>

#include "formula_text.h"
#include "refusal.h"
#include "scene_file.h"
#include "suggest.h"
#include "value_text.h"

namespace zvapp {
namespace {

// "[OBJECT.]NAME" split at its first dot; the plot's without one.
std::pair<std::string, std::string> SplitTarget(const std::string& target) {
  const size_t dot = target.find('.');
  if (dot == std::string::npos) return {"plot", target};
  return {target.substr(0, dot), target.substr(dot + 1)};
}

// The objects from `first` on and below, depth-first in document order; without recursion, as a
// loaded scene may nest deeply.
void CollectBelow(BaseObject* first, std::vector<BaseObject*>* out) {
  std::vector<BaseObject*> stack{first};
  while (!stack.empty()) {
    BaseObject* op = stack.back();
    stack.pop_back();
    if (!op) continue;
    out->push_back(op);
    stack.push_back(op->GetNext());
    stack.push_back(op->GetDown());
  }
}

// The loaded document when each plot's formula in it passes the check; freed otherwise.
BaseDocument* Checked(BaseDocument* doc, std::string* error) {
  if (!doc) return nullptr;
  for (const BaseObject* op = doc->GetFirstObject(); op; op = op->GetNext()) {
    if (IsPlot(op) && !CheckFormulaText(PlotFormula(op), error, nullptr)) {
      BaseDocument::Free(doc);
      return nullptr;
    }
  }
  return doc;
}

// The host's names for a copy of a name that is taken: "Plot Surface.1", "Plot Surface.2", ...
void NameApart(BaseObject* added, const std::vector<BaseObject*>& others) {
  std::set<std::string> taken;
  for (const BaseObject* op : others)
    if (op != added) taken.insert(op->GetName().GetStdString());
  const std::string name = added->GetName().GetStdString();
  if (!taken.count(name)) return;
  for (size_t n = 1;; ++n) {
    const std::string candidate = name + "." + std::to_string(n);
    if (taken.count(candidate)) continue;
    added->SetName(String(candidate));
    return;
  }
}

// "mesh:2" as the kind and the count from 1; a bare kind is its first.
std::pair<std::string, Int32> SplitPath(const std::string& path) {
  const size_t colon = path.find(':');
  Int32 nth = 0;
  if (colon == std::string::npos) return {path, 1};
  if (!ParseWhole(path.substr(colon + 1), &nth) || nth < 1) nth = 0;
  return {path.substr(0, colon), nth};
}

}  // namespace

std::string ShortName(const std::string& symbol) {
  const std::string s = Lower(symbol);
  const size_t underscore = s.find('_');
  return underscore == std::string::npos ? s : s.substr(underscore + 1);
}

std::optional<zvhost::ParameterInfo> ResolveParameter(Int32 type, const std::string& name) {
  const std::string wanted = Lower(Trim(name));
  for (zvhost::ParameterInfo& p : zvhost::ListParameters(type)) {
    if (wanted == Lower(p.symbol) || wanted == ShortName(p.symbol) ||
        wanted == std::to_string(p.id))
      return p;
  }
  return std::nullopt;
}

std::vector<std::string> ShortParameterNames(Int32 type, bool buttons) {
  std::vector<std::string> names;
  for (const zvhost::ParameterInfo& p : zvhost::ListParameters(type))
    if ((p.type == "BUTTON") == buttons) names.push_back(ShortName(p.symbol));
  return names;
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

BaseDocument* PlotScene::Exchange(BaseDocument* doc) {
  BaseDocument* previous = doc_;
  doc_ = doc;
  return previous;
}

BaseObject* PlotScene::Plot() const {
  for (BaseObject* op = doc_->GetFirstObject(); op; op = op->GetNext())
    if (IsPlot(op)) return op;
  return nullptr;
}

BaseObject* PlotScene::Find(const std::string& path) const {
  const auto [kind, nth] = SplitPath(path);
  const Kind* k = FindKind(kind);
  BaseObject* plot = Plot();
  if (!k || !plot || nth < 1) return nullptr;
  if (!k->addChoice) return nth == 1 ? plot : nullptr;
  const std::optional<Int32> type = KindType(*k);
  if (!type) return nullptr;
  const std::vector<BaseObject*> below = Below(*type);
  return size_t(nth) <= below.size() ? below[nth - 1] : nullptr;
}

std::vector<std::pair<std::string, BaseObject*>> PlotScene::Objects() const {
  std::vector<std::pair<std::string, BaseObject*>> out;
  BaseObject* plot = Plot();
  if (!plot) return out;
  out.emplace_back("plot", plot);
  std::vector<BaseObject*> below;
  CollectBelow(plot->GetDown(), &below);
  std::map<std::string, Int32> seen;
  for (BaseObject* op : below) {
    const Kind* k = FindKindOfType(op->GetType());
    if (!k || !k->addChoice) continue;
    const Int32 n = ++seen[k->name];
    out.emplace_back(n == 1 ? std::string(k->name) : k->name + (":" + std::to_string(n)), op);
  }
  return out;
}

bool PlotScene::FindObject(const std::string& path, BaseObject** op, std::string* error) const {
  const std::string kind = SplitPath(path).first;
  if (!FindKind(kind))
    return Fail(error, "unknown object \"" + kind + "\": choose " + OneOf(KindNames(false)) +
                           DidYouMean(kind, KindNames(false)));
  *op = Find(path);
  if (*op) return true;
  if (!Plot()) return Fail(error, "the scene has no plot object");
  return Fail(error, "the scene has no " + path + " (add it with --add " + kind + ")");
}

bool PlotScene::Add(const std::string& kind, std::string* error) {
  const Kind* k = FindKind(kind);
  if (!k || !k->addChoice)
    return Fail(error, "unknown component \"" + kind + "\": choose " + OneOf(KindNames(true)) +
                           DidYouMean(kind, KindNames(true)));
  BaseObject* plot = Plot();
  if (!plot) return Fail(error, "the scene has no plot object");
  const std::optional<Int32> command = PlotParameter("O3DPLOT_ADD_COMPONENT");
  const std::optional<Int32> choice =
      zvhost::FindDescriptionIdentifier(plot->GetType(), k->addChoice);
  if (!KindType(*k) || !command || !choice)
    return Fail(error, "the module does not provide the component \"" + kind + "\"");
  // The plot's add-component command: choose the kind, then press the choice as its button.
  const size_t before = Below(*KindType(*k)).size();
  BaseContainer& data = plot->GetDataInstanceRef();
  const Int32 chosen = data.GetInt32(*command);
  if (!zvhost::SetUserParameter(plot, *command, GeData(*choice), error) ||
      !zvhost::PressButton(plot, *command, error))
    return false;
  const std::vector<BaseObject*> now = Below(*KindType(*k));
  if (now.size() > before)
    NameApart(now.back(), now);
  else
    data.SetInt32(*command, chosen);  // declined: the command's menu shows what it showed
  return true;
}

std::vector<BaseObject*> PlotScene::Below(Int32 type) const {
  std::vector<BaseObject*> below, out;
  if (BaseObject* plot = Plot()) CollectBelow(plot->GetDown(), &below);
  for (BaseObject* op : below)
    if (op->GetType() == type) out.push_back(op);
  return out;
}

bool PlotScene::Resolve(const std::string& target, BaseObject** op, zvhost::ParameterInfo* p,
                        std::string* error) const {
  const auto [kind, name] = SplitTarget(target);
  if (!FindObject(kind, op, error)) return false;
  const auto found = ResolveParameter((*op)->GetType(), name);
  if (!found)
    return Fail(error, "\"" + (*op)->GetName().GetStdString() + "\" has no parameter \"" + name +
                           "\"" +
                           DidYouMean(Lower(name), ShortParameterNames((*op)->GetType(), false)));
  *p = *found;
  return true;
}

bool PlotScene::Set(const std::string& target, const std::string& value, std::string* error) {
  BaseObject* op = nullptr;
  zvhost::ParameterInfo p;
  GeData data;
  return Resolve(target, &op, &p, error) && ParseValue(p, value, &data, error) &&
         zvhost::SetUserParameter(op, p.id, data, error);
}

bool PlotScene::Set(const std::string& assignment, std::string* error) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos)
    return Fail(error, "\"" + assignment + "\" is not [OBJECT.]NAME=VALUE");
  return Set(assignment.substr(0, eq), assignment.substr(eq + 1), error);
}

bool PlotScene::Press(const std::string& button, std::string* error) {
  const auto [kind, name] = SplitTarget(button);
  BaseObject* op = nullptr;
  if (!FindObject(kind, &op, error)) return false;
  const auto p = ResolveParameter(op->GetType(), name);
  if (!p || p->type != "BUTTON")
    return Fail(error, "\"" + button + "\" is not a button" +
                           DidYouMean(Lower(name), ShortParameterNames(op->GetType(), true)));
  return zvhost::PressButton(op, p->id, error);
}

bool PlotScene::Enable(const std::string& kind, bool on, std::string* error) {
  BaseObject* op = nullptr;
  if (!FindObject(kind.empty() ? "plot" : kind, &op, error)) return false;
  zvhost::SetEnabled(op, on);
  return true;
}

namespace {
// The host's rule: the frame of a time is trunc(floor(rate x numerator) / floor(denominator)).
Int32 FrameOf(const BaseTime& t, Int32 fps) {
  const double frame = std::trunc(std::floor(fps * t.num) / std::floor(t.den));
  // No frame a document can be set to (or not a number at all).
  if (!(frame >= -2147483648.0 && frame <= 2147483647.0)) return 0;
  return static_cast<Int32>(frame);
}

BaseTime TimeOfFrame(Int32 frame, Int32 fps) {
  return BaseTime(static_cast<Float>(frame), static_cast<Float>(fps > 0 ? fps : 1));
}
}  // namespace

Int32 PlotScene::Frame() const { return FrameOf(doc_->GetTime(), Fps()); }
Int32 PlotScene::EndFrame() const { return FrameOf(doc_->GetMaxTime(), Fps()); }
Int32 PlotScene::StartFrame() const { return FrameOf(doc_->GetMinTime(), Fps()); }

Int32 PlotScene::Fps() const { return doc_->GetFps(); }

void PlotScene::SetFrame(Int32 frame) { doc_->SetTime(TimeOfFrame(frame, Fps())); }
void PlotScene::SetEndFrame(Int32 frame) { doc_->SetMaxTime(TimeOfFrame(frame, Fps())); }

void PlotScene::SetFps(Int32 fps) {
  const Int32 frame = Frame(), end = EndFrame();
  doc_->SetFps(fps);
  SetFrame(frame);
  SetEndFrame(end);
}

void PlotScene::Evaluate() { doc_->ExecutePasses(nullptr, true, true, true, BUILDFLAGS::NONE); }

void EvaluateScene(PlotScene& scene, const ActionSession& session) {
  zvhost::SetRunning(CHECKISRUNNING::EXTERNALRENDERING, session.render);
  scene.Evaluate();
}

bool TakeSnapshot(const PlotScene& scene, const ActionSession& session, Snapshot* out,
                  std::string* error) {
  BaseDocument* doc = scene.Document();
  out->session = session;
  out->time = doc->GetTime();
  doc->SetTime(BaseTime(0, 1));
  const bool saved = SaveSceneToText(doc, &out->scene, error);
  doc->SetTime(out->time);
  return saved;
}

bool RestoreSnapshot(const Snapshot& snapshot, PlotScene& scene, ActionSession* session,
                     std::string* error) {
  BaseDocument* doc = LoadSceneFromText(snapshot.scene, error);
  if (!doc) return false;
  doc->SetTime(snapshot.time);
  scene.Adopt(doc);
  const HeldOutputs held = session->held;
  *session = snapshot.session;
  session->held = held;
  return true;
}

BaseDocument* LoadPlotScene(const std::string& path, std::string* error,
                            std::vector<std::string>* notes) {
  return Checked(LoadScene(path, error, notes), error);
}

BaseDocument* LoadPlotSceneFromText(const std::string& text, std::string* error,
                                    std::vector<std::string>* notes) {
  return Checked(LoadSceneFromText(text, error, notes), error);
}

std::string OutputTitle(const PlotScene& scene) {
  BaseObject* plot = scene.Plot();
  return plot ? "y = " + PlotFormula(plot) : "Zorvantix";
}

}  // namespace zvapp
