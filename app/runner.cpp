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
  Int32 evaluations = 1;
  bool render = false;
  bool yes = false;
  bool dump = false;
  bool openHelp = false;
  Int32 apiVersion = 0;
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
  if (a.option == "disable" || a.option == "enable") {
    BaseObject* op = scene.Find(a.value);
    if (!op) {
      *error = "the scene has no " + a.value;
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

int Run(const Options& o, const std::vector<Action>& actions) {
  std::string error;
  if (o.apiVersion > 0) zvhost::SetAPIVersion(o.apiVersion);
  if (!zvhost::LoadModule(o.plugins, &error)) return Error(error);
  zvhost::SetQuestionAnswer(o.yes);
  int status = 0;
  {
    PlotScene scene;
    for (const Action& a : actions)
      if (!ApplyAction(scene, a, &error)) return zvhost::UnloadModule(), Error(error);
    if (!CheckFormula(scene, &error)) return zvhost::UnloadModule(), Error(error);
    if (o.openHelp && !scene.Press("plot.help", &error)) return zvhost::UnloadModule(), Error(error);
    zvhost::SetRunning(CHECKISRUNNING::EXTERNALRENDERING, o.render);
    scene.SetFrame(o.frame, o.fps);
    for (Int32 i = 0; i < o.evaluations; ++i) scene.Evaluate();
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
    if (o.dump) std::cout << DumpDocument(scene.Document()).dump(2) << "\n";
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
  app.add_option_function<std::vector<std::string>>("--disable", action("disable"), "switch an object off");
  app.add_option_function<std::vector<std::string>>("--enable", action("enable"), "switch an object on");
  app.add_option("-o,--output", o.outputs, "write FILE: .glb, .gltf, .html or .json");
  app.add_option("--frame", o.frame, "document frame");
  app.add_option("--fps", o.fps, "frame rate")->check(CLI::Range(1, 1000));
  app.add_option("--eval", o.evaluations, "scene evaluations")->check(CLI::Range(1, 1000));
  app.add_flag("--render", o.render, "evaluate as an external render (render-only geometry appears)");
  app.add_flag("--yes", o.yes, "answer yes to the module's questions");
  app.add_flag("--dump", o.dump, "print the JSON dump of the evaluated scene");
  app.add_flag("--open-help", o.openHelp, "press the plot's help button");
  app.add_option("--api-version", o.apiVersion, "the host interface version to present");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return Run(o, actions);
}

}  // namespace zvapp
