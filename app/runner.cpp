#include "runner.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "atomic_file.h"
#include "export_gltf.h"
#include "export_html.h"
#include "json_dump.h"
#include "plot_scene.h"
#include "scene_file.h"

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
  std::string frames;  // "A:B": evaluate frames A to B and write one output per frame
  std::string save;
  bool timeGiven = false;  // --frame or --fps: otherwise a loaded scene keeps its own time
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

bool ApplyAction(PlotScene& scene, const Action& a, std::string* error) {
  if (a.option == "add") return scene.Add(a.value, error);
  if (a.option == "set") return scene.Set(a.value, error);
  if (a.option == "press") return scene.Press(a.value, error);
  if (a.option == "formula") return scene.Set("plot.formula=" + a.value, error);
  if (a.option == "preset") return scene.Set("plot.preset=" + a.value, error);
  if (a.option == "scene") {
    std::vector<std::string> notes;
    BaseDocument* doc = LoadScene(a.value, error, &notes);
    if (!doc) return false;
    for (const std::string& n : notes) std::cerr << "zvplot: " << n << "\n";
    scene.Adopt(doc);
    return true;
  }
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
  const std::string formula = PlotFormula(plot);
  if (formula.empty()) return true;
  const zvhost::ConversionDiagnostic d = zvhost::CheckExpression(formula);
  if (d.ok) return true;
  *error = "the formula \"" + formula + "\" does not parse at column " + std::to_string(d.column) +
           ": " + d.message;
  return false;
}

std::string Extension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

// plot.glb at frame 7 of an animation is plot_0007.glb.
std::string FramePath(const std::string& path, Int32 frame) {
  const std::string ext = Extension(path);
  char number[16];
  std::snprintf(number, sizeof number, "_%04d", frame);
  return path.substr(0, path.size() - ext.size()) + number + ext;
}

bool ParseFrames(const std::string& text, Int32* first, Int32* last) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  try {
    size_t used = 0;
    *first = std::stoi(text.substr(0, colon), &used);
    if (used != colon) return false;
    const std::string tail = text.substr(colon + 1);
    *last = std::stoi(tail, &used);
    return used == tail.size() && *first <= *last && *last - *first < 100000;
  } catch (const std::exception&) {
    return false;
  }
}

std::string Title(PlotScene& scene) {
  BaseObject* plot = scene.Plot();
  return plot ? "y = " + PlotFormula(plot) : "Zorvantix";
}

void Progress(Int32 done, Int32 total) {
  if (!isatty(2) || total < 2) return;
  const int width = 40;
  const int filled = static_cast<int>(static_cast<long long>(done) * width / total);
  std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(width - filled), ' ').c_str(), done, total);
  if (done == total) std::fprintf(stderr, "\n");
}

// Writes the outputs of the evaluated frame; the HTML pages collect one GLB per frame.
bool WriteFrame(const Options& o, PlotScene& scene, bool animated, Int32 frame,
                std::vector<std::vector<unsigned char>>* pages, std::string* error) {
  const std::string title = Title(scene);
  bool page = false;
  for (const std::string& output : o.outputs) {
    const std::string ext = Extension(output);
    const std::string path = animated ? FramePath(output, frame) : output;
    ExportReport report;
    if (ext == ".json") {
      if (!WriteDumpFile(scene.Document(), path, error)) return false;
    } else if (ext == ".glb" || ext == ".gltf") {
      if (!WriteGltfFile(scene.Document(), path, title, &report, error)) return false;
    } else {
      page = true;
    }
  }
  if (page) {
    std::vector<unsigned char> glb;
    ExportReport report;
    if (!BuildGlb(scene.Document(), title, &glb, &report, error)) return false;
    pages->push_back(std::move(glb));
  }
  return true;
}

bool WriteOutputs(const Options& o, PlotScene& scene, std::string* error) {
  for (const std::string& output : o.outputs) {
    const std::string ext = Extension(output);
    if (ext != ".json" && ext != ".glb" && ext != ".gltf" && ext != ".html") {
      *error = "unknown output type of " + output + " (use .glb, .gltf, .html or .json)";
      return false;
    }
  }
  Int32 first = o.frame, last = o.frame;
  const bool animated = !o.frames.empty();
  if (animated && !ParseFrames(o.frames, &first, &last)) {
    *error = "--frames takes FIRST:LAST with FIRST <= LAST, not \"" + o.frames + "\"";
    return false;
  }
  std::vector<std::vector<unsigned char>> pages;
  for (Int32 frame = first; frame <= last; ++frame) {
    if (animated || o.timeGiven) scene.SetFrame(frame, o.fps);
    scene.Evaluate();
    if (frame == first) {
      const long long nonFinite = CountNonFiniteSamples(scene.Plot());
      if (nonFinite > 0)
        std::cerr << "zvplot: " << nonFinite << " samples are not finite numbers and are left out\n";
    }
    if (!WriteFrame(o, scene, animated, frame, &pages, error)) return false;
    Progress(frame - first + 1, last - first + 1);
  }
  for (const std::string& output : o.outputs) {
    if (Extension(output) != ".html") continue;
    HtmlOptions options;
    options.title = Title(scene);
    options.fps = o.fps;
    if (!WriteHtmlFile(pages, options, output, error)) return false;
  }
  if (!o.save.empty() && !SaveScene(scene.Document(), o.save, error)) return false;
  if (o.dump == "-") {
    WriteDump(scene.Document(), [](std::string_view piece) {
      return static_cast<bool>(std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size())));
    });
  } else if (!o.dump.empty() && !WriteDumpFile(scene.Document(), o.dump, error)) {
    return false;
  }
  return true;
}

// Prints each parameter's identifier, id, type, default and range.
int ListParams(const std::string& kind) {
  const Kind* k = FindKind(kind);
  if (!k) return Error("unknown kind \"" + kind + "\" (plot, mesh, grid, cage, labels)");
  const std::optional<Int32> type = KindType(*k);
  if (!type) return Error("the module does not provide " + kind);
  BaseObject* op = BaseObject::Alloc(*type);
  for (const zvhost::ParameterInfo& p : zvhost::ListParameters(*type)) {
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
    if (!WriteOutputs(o, scene, &error)) status = Error(error);
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
  app.add_option_function<std::vector<std::string>>("--scene", action("scene"), "load a scene file (the actions after it act on it)");
  app.add_option("--save", o.save, "save the evaluated scene to FILE.json (load it with --scene)");
  app.add_option_function<std::vector<std::string>>("--add", action("add"), "add a component: mesh, grid, cage, labels");
  app.add_option_function<std::vector<std::string>>("--set", action("set"), "set a parameter: OBJECT.NAME=VALUE");
  app.add_option_function<std::vector<std::string>>("--press", action("press"), "press a button: OBJECT.BUTTON");
  app.add_option_function<std::vector<std::string>>("--disable", action("disable"), "switch an object off (default: the plot)")->expected(0, 1);
  app.add_option_function<std::vector<std::string>>("--enable", action("enable"), "switch an object on (default: the plot)")->expected(0, 1);
  app.add_flag_callback("--eval", [&actions] { actions.push_back({"eval", ""}); }, "evaluate the scene now");
  app.add_option("-o,--output", o.outputs, "write FILE: .glb, .gltf, .html or .json");
  app.add_option("--frame", o.frame, "document frame");
  app.add_option("--frames", o.frames, "evaluate frames FIRST:LAST, one output per frame (one animated page for .html)");
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
  o.timeGiven = app.count("--frame") > 0 || app.count("--fps") > 0;
  return Run(o, actions, app.count("--list-params") > 0);
}

}  // namespace zvapp
