#include "runner.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "json_dump.h"
#include "plot_scene.h"

namespace zvapp {
namespace {

struct Options {
  std::string plugins = ZV_DEFAULT_PLUGIN_DIR;
  std::vector<std::string> outputs;
  Int32 frame = 0;
  Int32 fps = 30;
  bool render = false;
  bool yes = false;
  std::string dump;
  bool openHelp = false;
  Int32 apiVersion = 0;
  std::vector<std::string> listParams;
};

// The scene actions in command-line order: add, set, press, formula, preset, enable.
struct Action {
  std::string option;
  std::string value;
};

int Error(const std::string& message) {
  std::cerr << "zvplot: error: " << message << "\n";
  return 2;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool WriteText(const std::string& path, const std::string& text, std::string* error) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary);
    if (!f || !(f << text) || !f.flush()) {
      std::remove(tmp.c_str());
      *error = "cannot write " + path;
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

bool ApplyAction(PlotScene& scene, const Action& a, std::string* error) {
  if (a.option == "add") return scene.Add(a.value, error);
  if (a.option == "set") return scene.Set(a.value, error);
  if (a.option == "press") return scene.Press(a.value, error);
  if (a.option == "formula") return scene.Set("plot.formula=" + a.value, error);
  if (a.option == "preset") return scene.Set("plot.preset=" + a.value, error);
  if (a.option == "eval") {
    scene.Evaluate();
    return true;
  }
  if (a.option == "disable" || a.option == "enable") {
    const std::string kind = a.value.empty() ? "plot" : a.value;
    BaseObject* op = scene.Find(kind);
    if (!op) {
      *error = "the scene has no " + kind;
      return false;
    }
    zvhost::SetEnabled(op, a.option == "enable");
    return true;
  }
  return true;
}

// A formula that does not parse is reported with its column before anything is sampled.
bool CheckFormula(PlotScene& scene, std::string* error) {
  BaseObject* plot = scene.Plot();
  if (!plot) return true;
  const std::string formula = plot->GetDataInstanceRef().GetString(10013).GetStdString();
  if (formula.empty()) return true;
  const zvhost::ConversionDiagnostic d = zvhost::CheckExpression(formula);
  if (d.ok) return true;
  *error = "the formula \"" + formula + "\" does not parse at column " + std::to_string(d.column) +
           ": " + d.message;
  return false;
}

// Prints each parameter's identifier, id, type, default and range.
int ListParams(const std::string& kind) {
  const Kind* k = FindKind(kind);
  if (!k) return Error("unknown kind \"" + kind + "\" (plot, mesh, grid, cage, labels)");
  if (!zvhost::FindObjectPlugin(k->type)) return Error("the module does not provide " + kind);
  BaseObject* op = BaseObject::Alloc(k->type);
  for (const zvhost::ParameterInfo& p : zvhost::ListParameters(k->type)) {
    std::cout << p.symbol << "  " << p.id << "  " << p.type;
    if (op && p.type != "BUTTON") {
      if (const GeData* d = op->GetDataInstanceRef().GetDataPointer(p.id))
        std::cout << "  default " << ValueToJson(*d, p.type).dump();
    }
    if (p.hasMin || p.hasMax)
      std::cout << "  range " << (p.hasMin ? std::to_string(p.min) : "") << " .. "
                << (p.hasMax ? std::to_string(p.max) : "");
    for (const auto& [value, label] : p.cycle) std::cout << "  " << value << "=" << label;
    std::cout << "  (" << p.label << ")\n";
  }
  BaseObject::Free(op);
  return 0;
}

int Run(const Options& o, const std::vector<Action>& actions, bool listRequested) {
  std::string error;
  if (o.apiVersion > 0) zvhost::SetAPIVersion(o.apiVersion);
  if (!zvhost::LoadModule(o.plugins, &error)) return Error(error);
  zvhost::SetQuestionAnswer(o.yes);
  int status = 0;
  if (o.listParams.size() > 0 || listRequested) {
    const std::string kind = o.listParams.empty() || o.listParams[0].empty() ? "plot" : o.listParams[0];
    status = ListParams(kind);
    zvhost::UnloadModule();
    return status;
  }
  {
    PlotScene scene;
    scene.SetFrame(o.frame, o.fps);
    for (const Action& a : actions)
      if (!ApplyAction(scene, a, &error)) return zvhost::UnloadModule(), Error(error);
    if (!CheckFormula(scene, &error)) return zvhost::UnloadModule(), Error(error);
    if (o.openHelp) {
      zvhost::SetPerformExecuteFile(true);  // the user asked for the guide to be opened
      if (!scene.Press("plot.help", &error)) return zvhost::UnloadModule(), Error(error);
    }
    zvhost::SetRunning(CHECKISRUNNING::EXTERNALRENDERING, o.render);
    scene.Evaluate();
    const long long nonFinite = CountNonFiniteSamples(scene.Plot());
    if (nonFinite > 0)
      std::cerr << "zvplot: " << nonFinite << " samples are not finite numbers and are left out\n";
    for (const std::string& path : o.outputs) {
      if (EndsWith(path, ".json")) {
        if (!WriteText(path, DumpDocument(scene.Document()).dump(2) + "\n", &error)) {
          status = Error(error);
        }
      } else {
        status = Error("unknown output type of " + path + " (use .json)");
      }
    }
    if (o.dump == "-") {
      std::cout << DumpDocument(scene.Document()).dump(2) << "\n";
    } else if (!o.dump.empty() &&
               !WriteText(o.dump, DumpDocument(scene.Document()).dump(2) + "\n", &error)) {
      status = Error(error);
    }
  }
  zvhost::UnloadModule();
  return status;
}

}  // namespace

int RunMain(int argc, char** argv) {
  CLI::App app{"zvplot: plots y = f(x, z) with the Zorvantix module and writes what you open"};
  Options o;
  std::vector<Action> actions;
  auto action = [&actions](const char* name) {
    return [&actions, name](const std::vector<std::string>& values) {
      for (const std::string& v : values) actions.push_back({name, v});
    };
  };
  app.add_option("--plugins", o.plugins, "plug-in folder holding zorvantix.so and res/");
  app.add_option_function<std::vector<std::string>>("--formula", action("formula"), "the plot's formula");
  app.add_option_function<std::vector<std::string>>("--preset", action("preset"), "preset formula 0 ... 10");
  app.add_option_function<std::vector<std::string>>("--add", action("add"), "add a component: mesh, grid, cage, labels");
  app.add_option_function<std::vector<std::string>>("--set", action("set"), "set a parameter: OBJECT.NAME=VALUE");
  app.add_option_function<std::vector<std::string>>("--press", action("press"), "press a button: OBJECT.BUTTON");
  app.add_option_function<std::vector<std::string>>("--disable", action("disable"), "switch an object off (default: the plot)")->expected(0, 1);
  app.add_option_function<std::vector<std::string>>("--enable", action("enable"), "switch an object on (default: the plot)")->expected(0, 1);
  app.add_flag_callback("--eval", [&actions] { actions.push_back({"eval", ""}); }, "evaluate the scene now");
  app.add_option("-o,--output", o.outputs, "write FILE: .glb, .gltf, .html or .json");
  app.add_option("--frame", o.frame, "document frame");
  app.add_option("--fps", o.fps, "frame rate")->check(CLI::Range(1, 1000));
  app.add_flag("--render", o.render, "evaluate as an external render (render-only geometry appears)");
  app.add_flag("--yes", o.yes, "answer yes to the module's questions");
  app.add_option("--dump", o.dump, "write the JSON dump of the evaluated scene to FILE (- for standard output)");
  app.add_option("--list-params", o.listParams, "print the parameters of a kind (plot, mesh, grid, cage, labels)")->expected(0, 1);
  app.add_flag("--open-help", o.openHelp, "press the plot's help button");
  app.add_option("--api-version", o.apiVersion, "the host interface version to present");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return Run(o, actions, app.count("--list-params") > 0);
}

}  // namespace zvapp
