// The actions a user applies to the scene, one after the other: from the command line (zvplot's
// options, in the order given) and from a JSON list (what the studio posts). An action is a word
// and its arguments as given; the one table of ActionKinds() says for each word how many arguments
// it takes, how the command line writes it, its help and what it does:
//
//   formula TEXT        preset N           set OBJECT.NAME VALUE     press OBJECT.BUTTON
//   add KIND            enable [KIND]      disable [KIND]            scene FILE (command line only)
//   frame N             fps N              eval                      render
//   handle OBJECT INDEX X Y Z   (JSON only: a drag of the object's handle to a point in its frame)
//
// Applying an action changes nothing but the document, the action session (plot_scene.h) and the
// host's log, so restoring a snapshot of the document and the session undoes it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "formula_text.h"
#include "plot_scene.h"

namespace zvapp {

struct Action {
  std::string word;               // "set"
  std::vector<std::string> args;  // {"plot.formula", "x * z"}
  bool operator==(const Action&) const = default;
};

// Why an action of a list was refused: its index in the list, what is wrong, and for a formula that
// does not parse the column (from 1) where reading stopped (0 otherwise).
struct Refusal {
  size_t index = 0;
  std::string message;
  int column = 0;
};

// How the command line writes an action.
enum class OptionForm {
  kNone,        // not at all: the studio's drag of a handle
  kFlag,        // --eval
  kValue,       // --formula TEXT
  kMaybeValue,  // --enable [KIND]: the value may be left out
  kAssignment,  // --set NAME=VALUE: the two arguments joined by '='
};

// An action's word and everything said of it.
struct ActionKind {
  const char* word;
  size_t minArgs, maxArgs;
  bool studio;  // the studio may send it (it puts a scene file in place its own way)
  OptionForm form;
  const char* valueName;  // the option's value in the help ("TEXT"), or nothing
  const char* fallback;   // the default the help shows, or nothing
  const char* help;
  // Applies the action, its arguments counted already; a refusal changes nothing and sets
  // *column for a formula that does not parse.
  bool (*apply)(PlotScene& scene, const Action& action, ActionSession* session, std::string* error,
                int* column);
};
// Every action, in the order the help lists them.
const std::vector<ActionKind>& ActionKinds();
const ActionKind* FindActionKind(const std::string& word);

// An action of the command line from its option's word and value: "set" and "resolution=80" give
// {"set", {"resolution", "80"}}; an option without a value (--eval, a bare --enable) gives none.
bool ActionFromOption(const std::string& word, const std::string& value, Action* out,
                      std::string* error);
// The action as the command line writes it: --set resolution=80.
std::string CommandLineText(const Action& action);
// The command line's rule that a scene file replaces the document: anything before --scene is lost,
// so it is refused.
bool CheckNothingBeforeScene(const std::vector<Action>& actions, Refusal* refusal);

// ["set", "plot.formula", "x * z"]: a word and its arguments (texts; numbers and true/false are
// taken as they are written). "scene" is refused: the studio loads documents its own way.
bool ActionFromJson(const nlohmann::json& item, Action* out, std::string* error);
// A JSON array of actions; a refusal names the first action that is not one.
bool ActionsFromJson(const nlohmann::json& list, std::vector<Action>* out, Refusal* refusal);

// Applies one action. A refusal changes nothing; *column is set for a formula that does not parse.
bool ApplyAction(PlotScene& scene, const Action& action, ActionSession* session, std::string* error,
                 int* column);
// Applies every action of the list, or, at the first refusal, none: the document (restored from a
// snapshot taken before the first action; caches are rebuilt by the next evaluation) and the
// session are as they were before.
bool ApplyActions(PlotScene& scene, const std::vector<Action>& actions, ActionSession* session,
                  Refusal* refusal);
// The same, restoring `before` (taken just before) at a refusal: for a caller that keeps the
// snapshot anyway (the studio's undo).
bool ApplyActions(PlotScene& scene, const std::vector<Action>& actions, ActionSession* session,
                  Refusal* refusal, const Snapshot& before);

}  // namespace zvapp
