#include "actions.h"

#include <cmath>

#include "formula_text.h"
#include "frames.h"
#include "memory_budget.h"
#include "refusal.h"
#include "suggest.h"
#include "words.h"

namespace zvapp {
namespace {

constexpr Int32 kMaxFps = 1000;

std::vector<std::string> WordNames(bool commandLine) {
  std::vector<std::string> names;
  for (const ActionKind& k : ActionKinds())
    if (commandLine || k.studio) names.push_back(k.word);
  return names;
}

bool CheckCount(const ActionKind& k, size_t count, std::string* error) {
  if (count >= k.minArgs && count <= k.maxArgs) return true;
  const std::string takes = k.minArgs == k.maxArgs
                                ? std::to_string(k.minArgs)
                                : std::to_string(k.minArgs) + " or " + std::to_string(k.maxArgs);
  return Fail(error, "\"" + std::string(k.word) + "\" takes " + takes + " argument" +
                         (k.maxArgs == 1 ? "" : "s") + ", not " + std::to_string(count));
}

bool IsPlotFormula(const BaseObject* op, const zvhost::ParameterInfo& p) {
  return IsPlot(op) && PlotParameter("O3DPLOT_FORMULA") == p.id;
}

// A user's new formula is checked before it reaches the plot, whichever way it is set.
bool SetParameter(PlotScene& scene, const std::string& target, const std::string& value,
                  std::string* error, int* column) {
  BaseObject* op = nullptr;
  zvhost::ParameterInfo p;
  if (!scene.Resolve(target, &op, &p, error)) return false;
  if (IsPlotFormula(op, p) && !CheckFormulaText(value, error, column)) return false;
  return scene.Set(target, value, error);
}

std::string Arg(const Action& a, size_t i) { return i < a.args.size() ? a.args[i] : ""; }

// ---- What each action does ----------------------------------------------------------------------

bool Formula(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int* column) {
  return SetParameter(scene, "plot.formula", Arg(a, 0), error, column);
}

bool Preset(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  return scene.Set("plot.preset", Arg(a, 0), error);
}

bool Set(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int* column) {
  return SetParameter(scene, Arg(a, 0), Arg(a, 1), error, column);
}

bool Press(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  return scene.Press(Arg(a, 0), error);
}

bool Add(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  return scene.Add(Arg(a, 0), error);
}

bool Enable(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  return scene.Enable(Arg(a, 0), true, error);
}

bool Disable(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  return scene.Enable(Arg(a, 0), false, error);
}

bool Scene(PlotScene& scene, const Action& a, ActionSession* session, std::string* error, int*) {
  std::vector<std::string> notes;
  BaseDocument* doc = LoadPlotScene(Arg(a, 0), error, &notes);
  if (!doc) return false;
  scene.Adopt(doc);
  session->notes.insert(session->notes.end(), notes.begin(), notes.end());
  return true;
}

bool Frame(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  Int32 n = 0;
  if (!ParseFrame(Arg(a, 0), &n, error)) return false;
  scene.SetFrame(n);
  return true;
}

// The range's end: a frame from the start frame on.
bool EndFrame(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  Int32 n = 0;
  if (!ParseFrame(Arg(a, 0), &n, error)) return false;
  if (n < scene.StartFrame())
    return Fail(error, "the end frame " + std::to_string(n) + " is before the start frame " +
                           std::to_string(scene.StartFrame()));
  scene.SetEndFrame(n);
  return true;
}

bool Fps(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  Int32 n = 0;
  if (!ParseWhole(Arg(a, 0), &n) || n < 1 || n > kMaxFps)
    return Fail(error, "the frame rate is a whole number from 1 to " + std::to_string(kMaxFps) +
                           ", not \"" + Arg(a, 0) + "\"");
  scene.SetFps(n);
  return true;
}

bool Eval(PlotScene& scene, const Action&, ActionSession* session, std::string* error, int*) {
  return EvaluateWithinBudget(scene, *session, session->held, error);
}

bool Render(PlotScene&, const Action&, ActionSession* session, std::string*, int*) {
  session->render = true;
  return true;
}

// A drag of a handle as the viewport makes it: the host asks the object where its handle is and
// hands it the new point, so the object's own limits apply.
bool Handle(PlotScene& scene, const Action& a, ActionSession*, std::string* error, int*) {
  BaseObject* op = nullptr;
  if (!scene.FindObject(a.args[0], &op, error)) return false;
  Int32 index = 0;
  if (!ParseWhole(a.args[1], &index))
    return Fail(error, "a handle's index is a whole number, not \"" + a.args[1] + "\"");
  double xyz[3] = {};
  for (size_t i = 0; i < 3; ++i)
    if (!ParseNumber(a.args[2 + i], &xyz[i]) || !std::isfinite(xyz[i]))
      return Fail(error, "a handle's point is three finite numbers, not \"" + a.args[2 + i] + "\"");
  return zvhost::MoveUserHandle(op, index, Vector(xyz[0], xyz[1], xyz[2]), error);
}

}  // namespace

const std::vector<ActionKind>& ActionKinds() {
  using F = OptionForm;
  static const std::vector<ActionKind> kinds = {
      {"formula", 1, 1, true, F::kValue, "TEXT", "Sin(x) * Cos(z)",
       "the plot's formula y = f(x, z)", Formula},
      {"preset", 1, 1, true, F::kValue, "N", "0", "one of the eleven preset formulas, 0 ... 10",
       Preset},
      {"set", 2, 2, true, F::kAssignment, "NAME=VALUE", nullptr,
       "set a parameter as a user does: [OBJECT.]NAME=VALUE (resolution=80, mesh.mode=markers, "
       "gradient=viridis, labels.font=\"DejaVu Serif:Bold\")",
       Set},
      {"press", 1, 1, true, F::kValue, "OBJECT.BUTTON", nullptr,
       "press a button: OBJECT.BUTTON (plot.reset, plot.help, labels.update)", Press},
      {"add", 1, 1, true, F::kValue, "KIND", nullptr,
       "add a component: mesh, grid, cage, labels (the scene then starts bare)", Add},
      {"enable", 0, 1, true, F::kMaybeValue, "[KIND]", "plot", "switch an object on", Enable},
      {"disable", 0, 1, true, F::kMaybeValue, "[KIND]", "plot", "switch an object off", Disable},
      {"scene", 1, 1, false, F::kValue, "FILE", nullptr,
       "load a scene file; the actions after it act on it", Scene},
      {"frame", 1, 1, true, F::kValue, "N", "0", "the document's frame (keeps the frame rate)",
       Frame},
      {"end-frame", 1, 1, true, F::kValue, "N", "90",
       "the frame the document's range ends at (keeps the frame rate)", EndFrame},
      {"fps", 1, 1, true, F::kValue, "N", "30", "the document's frame rate (keeps the frame)", Fps},
      {"eval", 0, 0, true, F::kFlag, nullptr, nullptr, "evaluate the scene now", Eval},
      {"render", 0, 0, true, F::kFlag, nullptr, nullptr,
       "from here on, evaluate as an external render (render-only geometry appears)", Render},
      {"handle", 5, 5, true, F::kNone, nullptr, nullptr,
       "drag the object's handle to a point in its frame", Handle},
  };
  return kinds;
}

const ActionKind* FindActionKind(const std::string& word) {
  for (const ActionKind& k : ActionKinds())
    if (word == k.word) return &k;
  return nullptr;
}

bool ActionFromOption(const std::string& word, const std::string& value, Action* out,
                      std::string* error) {
  const ActionKind* k = FindActionKind(word);
  if (!k) return Fail(error, "--" + word + " is not an action");
  Action a{word, {}};
  if (k->form == OptionForm::kAssignment) {
    const size_t eq = value.find('=');
    if (eq == std::string::npos)
      return Fail(error, "--" + word + " takes [OBJECT.]NAME=VALUE, not \"" + value + "\"");
    a.args = {value.substr(0, eq), value.substr(eq + 1)};
  } else if (k->maxArgs > 0 && (k->minArgs > 0 || !value.empty())) {
    a.args = {value};
  }
  *out = std::move(a);
  return true;
}

std::string CommandLineText(const Action& action) {
  std::string text = "--" + action.word;
  const ActionKind* k = FindActionKind(action.word);
  if (k && k->form == OptionForm::kAssignment && action.args.size() == 2)
    return text + " " + action.args[0] + "=" + action.args[1];
  for (const std::string& arg : action.args) text += " " + arg;
  return text;
}

bool CheckNothingBeforeScene(const std::vector<Action>& actions, Refusal* refusal) {
  for (size_t i = 1; i < actions.size(); ++i) {
    if (actions[i].word != "scene") continue;
    *refusal = {
        0,
        CommandLineText(actions[0]) + " given before --scene would be lost (give it after --scene)",
        0};
    return false;
  }
  return true;
}

bool ActionFromJson(const nlohmann::json& item, Action* out, std::string* error) {
  if (!item.is_array() || item.empty() || !item[0].is_string())
    return Fail(error, "an action is an array [WORD, ARGUMENT, ...], not " + item.dump());
  const std::string word = item[0].get<std::string>();
  const ActionKind* k = FindActionKind(word);
  if (!k || !k->studio)
    return Fail(error, "unknown action \"" + word + "\"" + DidYouMean(word, WordNames(false)));
  Action a{word, {}};
  for (size_t i = 1; i < item.size(); ++i) {
    const nlohmann::json& arg = item[i];
    if (arg.is_string())
      a.args.push_back(arg.get<std::string>());
    else if (arg.is_number() || arg.is_boolean())
      a.args.push_back(arg.dump());
    else
      return Fail(error, "argument " + std::to_string(i) + " of \"" + word +
                             "\" is not a text, a number or true/false");
  }
  if (!CheckCount(*k, a.args.size(), error)) return false;
  *out = std::move(a);
  return true;
}

bool ActionsFromJson(const nlohmann::json& list, std::vector<Action>* out, Refusal* refusal) {
  if (!list.is_array()) {
    *refusal = {0, "the actions are a JSON array of actions", 0};
    return false;
  }
  std::vector<Action> actions(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    std::string error;
    if (!ActionFromJson(list[i], &actions[i], &error)) {
      *refusal = {i, error, 0};
      return false;
    }
  }
  *out = std::move(actions);
  return true;
}

bool ApplyAction(PlotScene& scene, const Action& a, ActionSession* session, std::string* error,
                 int* column) {
  const ActionKind* k = FindActionKind(a.word);
  if (!k)
    return Fail(error, "unknown action \"" + a.word + "\"" + DidYouMean(a.word, WordNames(true)));
  return CheckCount(*k, a.args.size(), error) && k->apply(scene, a, session, error, column);
}

bool ApplyActions(PlotScene& scene, const std::vector<Action>& actions, ActionSession* session,
                  Refusal* refusal) {
  Snapshot before;
  std::string error;
  if (!TakeSnapshot(scene, *session, &before, &error)) {
    *refusal = {0, "the document cannot be kept to undo the actions: " + error, 0};
    return false;
  }
  return ApplyActions(scene, actions, session, refusal, before);
}

bool ApplyActions(PlotScene& scene, const std::vector<Action>& actions, ActionSession* session,
                  Refusal* refusal, const Snapshot& before) {
  std::string error;
  for (size_t i = 0; i < actions.size(); ++i) {
    int column = 0;
    if (ApplyAction(scene, actions[i], session, &error, &column)) continue;
    *refusal = {i, error, column};
    std::string reload;
    if (!RestoreSnapshot(before, scene, session, &reload)) {
      refusal->message += " (and the document could not be restored: " + reload + ")";
      *session = before.session;
    }
    return false;
  }
  return true;
}

}  // namespace zvapp
