#include "runner.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "actions.h"
#include "full_plot.h"
#include "list_params.h"
#include "memory_budget.h"
#include "messages.h"
#include "output_formats.h"
#include "outputs.h"
#include "plot_scene.h"
#include "printable.h"
#include "studio_server.h"
#include "suggest.h"
#include "temporary_files.h"

namespace zvapp {
namespace {

struct Options {
  std::string plugins = ZV_DEFAULT_PLUGIN_DIR;
  OutputOptions out;
  bool yes = false;
  bool bare = false;
  bool openHelp = false;
  Int32 apiVersion = 0;
  std::string listParams;
  bool listRequested = false;
  bool serve = false;  // the studio instead of the outputs
  int port = 0;
};

constexpr const char* kExamples = R"text(Examples:
  zvplot --formula "Sin(x*2) * Cos(z)" -o plot.html
      the whole plot (surface, cage, grid, labels) as a page to open in a browser
  zvplot --preset 6 --set gradient=viridis --set labels.font="DejaVu Serif:Bold" -o plot.glb
  zvplot --bare --set pointstyle=sphere -o points.html
      the plot alone: its sample markers
  zvplot --formula "x * Sin(z + t*90)" --frames 0:59 -o wave.html
      an animation of two seconds
  zvplot --list-params mesh
      what can be set on the surface
  zvplot --formula "x * z" --serve
      the studio: edit the plot in a browser (open the address it prints)
)text";
// The footer's words wrap as its examples are laid out, at most this wide.
constexpr size_t kFooterWidth = 96;

// The examples, then which options are actions: the words of the table.
std::string Footer() {
  std::string words;
  for (const ActionKind& k : ActionKinds())
    if (k.form != OptionForm::kNone) words += (words.empty() ? "--" : ", --") + std::string(k.word);
  std::istringstream text("The actions (" + words +
                          ") run in the order given; the outputs (-o, --dump, --save) are "
                          "written after the final evaluation.");
  std::string out = kExamples, line, word;
  while (text >> word) {
    if (!line.empty() && line.size() + 1 + word.size() > kFooterWidth) {
      out += "\n" + line;
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + "\n" + line;
}

int Error(const std::string& message) { return PrintError(message); }

// Tells on standard error what the module asked and opened while the runner worked: each yes/no
// question with the answer given, each file the module opened, and what loading a scene changed.
class HostReport {
 public:
  explicit HostReport(bool yes) : yes_(yes) {}
  void Tell(ActionSession* session) {
    const zvhost::HostLog& log = zvhost::GetHostLog();
    for (; questions_ < log.questions.size(); ++questions_)
      PrintNote("question: \"" + log.questions[questions_] + "\" answered " +
                (yes_ ? "yes" : "no (--yes answers yes)"));
    for (; hostNotes_ < log.notes.size(); ++hostNotes_) PrintNote(log.notes[hostNotes_]);
    for (; files_ < log.executedFiles.size(); ++files_) TellFile(log.executedFiles[files_]);
    for (const std::string& note : session->notes) PrintNote(note);
    session->notes.clear();
  }
  void OpenFiles() { open_ = true; }

 private:
  void TellFile(const std::string& path) const {
    if (!std::filesystem::exists(path))
      PrintNote("the help " + path +
                " is missing (it is built with the module when Chromium and three.js are "
                "installed)");
    else if (open_)
      PrintNote("opening the help: " + path);
    else
      PrintNote("the help is " + path + " (--open-help opens it)");
  }

  bool yes_;
  bool open_ = false;
  size_t questions_ = zvhost::GetHostLog().questions.size();
  size_t files_ = zvhost::GetHostLog().executedFiles.size();
  size_t hostNotes_ = zvhost::GetHostLog().notes.size();
};

bool ApplyAll(PlotScene& scene, const std::vector<Action>& actions, ActionSession* session,
              HostReport* report, std::string* error) {
  for (const Action& a : actions) {
    int column = 0;
    std::string why;
    if (!ApplyAction(scene, a, session, &why, &column)) {
      *error = Printable(CommandLineText(a)) + ": " + why;  // cut: a formula may be long
      return false;
    }
    report->Tell(session);
  }
  return true;
}

int RunScene(const Options& o, const std::vector<Action>& actions) {
  PlotScene scene;
  ActionSession session;
  HostReport report(o.yes);
  std::string error;
  const bool full = StartsFromFullPlot(actions, o.bare);
  if (full && !ApplyAll(scene, FullPlotActions(), &session, &report, &error))
    return Error("cannot build the full plot: " + error);
  if (!ApplyAll(scene, actions, &session, &report, &error)) return Error(error);
  if (o.openHelp) {
    zvhost::SetPerformExecuteFile(true);  // the user asked for the guide to be opened
    report.OpenFiles();
    if (!scene.Press("plot.help", &error)) return Error(error);
    report.Tell(&session);
  }
  if (full && !SetsGridStep(actions) && !ChooseGridStep(scene, &error)) return Error(error);
  if (o.serve) return ServeStudio(scene, session, {o.port, ""});
  const bool written = WriteOutputs(o.out, scene, session, &error);
  report.Tell(&session);
  return written ? 0 : Error(error);
}

// The studio keeps the scene in a browser instead of writing files.
bool CheckServe(const Options& o, std::string* error) {
  const OutputOptions& out = o.out;
  if (o.serve &&
      (!out.outputs.empty() || !out.frames.empty() || !out.save.empty() || !out.dump.empty())) {
    *error =
        "--serve writes no files: the studio's page downloads them (leave out -o, --frames, "
        "--save and --dump)";
    return false;
  }
  return true;
}

int Run(const Options& o, const std::vector<Action>& actions) {
  std::string error;
  Refusal refusal;
  if (!CheckNothingBeforeScene(actions, &refusal)) return Error(refusal.message);
  if (!CheckOutputs(o.out, &error)) return Error(error);
  if (!CheckServe(o, &error)) return Error(error);
  // From here on an interruption removes the temporaries of the outputs being written.
  InstallTemporaryFileCleanup();
  if (o.apiVersion > 0) zvhost::SetAPIVersion(o.apiVersion);
  if (!zvhost::LoadModule(o.plugins, &error)) return Error(error);
  zvhost::SetQuestionAnswer(o.yes);
  int status = 0;
  if (o.listRequested)
    status = ListParams(o.listParams.empty() ? "plot" : o.listParams, std::cout, &error)
                 ? 0
                 : Error(error);
  else
    status = RunWithinMemory([&] { return RunScene(o, actions); });
  zvhost::UnloadModule();
  return status;
}

// ---- The command line ---------------------------------------------------------------------------

// The options that are actions, by their word; each keeps its values in the order given.
struct ActionOptions {
  std::map<const CLI::Option*, std::string> words;
  std::map<std::string, std::vector<std::string>> values;  // CLI11 needs somewhere to put them

  void Add(CLI::App& app, const std::string& word, const std::string& type, const std::string& help,
           const std::string& fallback = "", bool optionalValue = false) {
    CLI::Option* opt = app.add_option("--" + word, values[word], help)->type_name(type);
    if (!fallback.empty()) opt->default_str(fallback);
    if (optionalValue) opt->expected(0, 1);
    words[opt] = word;
  }
  void AddFlag(CLI::App& app, const std::string& word, const std::string& help) {
    words[app.add_flag("--" + word, help)] = word;
  }

  // The actions in command-line order: CLI11 lists each value it took, option by option.
  bool Ordered(const CLI::App& app, std::vector<Action>* actions, std::string* error) const {
    std::map<const CLI::Option*, size_t> taken;
    for (const CLI::Option* opt : app.parse_order()) {
      const auto word = words.find(opt);
      if (word == words.end()) continue;
      const std::vector<std::string>& results = opt->results();
      const size_t i = taken[opt]++;
      Action a;
      if (!ActionFromOption(word->second, i < results.size() ? results[i] : "", &a, error))
        return false;
      actions->push_back(std::move(a));
    }
    return true;
  }
};

// An option for each action of the table that the command line writes.
void AddActionOptions(CLI::App& app, ActionOptions* a) {
  for (const ActionKind& k : ActionKinds()) {
    if (k.form == OptionForm::kNone) continue;
    if (k.form == OptionForm::kFlag)
      a->AddFlag(app, k.word, k.help);
    else
      a->Add(app, k.word, k.valueName, k.help, k.fallback ? k.fallback : "",
             k.form == OptionForm::kMaybeValue);
  }
}

void AddOtherOptions(CLI::App& app, Options* o) {
  app.add_option("--plugins", o->plugins,
                 "the plug-in folder holding the module (zorvantix.so) and res/")
      ->type_name("DIR")
      ->default_str(ZV_DEFAULT_PLUGIN_DIR);
  app.add_flag("--bare", o->bare,
               "start from the plot alone, as the host creates it (default: "
               "the plot with surface, cage, grid and labels)");
  app.add_option("-o,--output", o->out.outputs, "write FILE: " + OutputEndings(false))
      ->type_name("FILE");
  app.add_option("--frames", o->out.frames,
                 "evaluate frames FIRST:LAST, one output per frame (one animated page for .html)")
      ->type_name("FIRST:LAST");
  app.add_flag("--print-all", o->out.print.all,
               "in .stl, .3mf and .obj also the labels' text (the cage and grid have no volume)");
  app.add_option("--print-size", o->out.print.size,
                 "scale .stl, .3mf and .obj so that the longest side is MM millimetres "
                 "(default: a scene unit is a millimetre)")
      ->type_name("MM")
      ->check(CLI::PositiveNumber);
  app.add_option("--save", o->out.save,
                 "save the evaluated scene to FILE.json (load it with --scene)")
      ->type_name("FILE");
  app.add_option("--dump", o->out.dump,
                 "write the JSON dump of the evaluated scene to FILE (- for standard output)")
      ->type_name("FILE");
  app.add_flag("--yes", o->yes, "answer yes to the module's questions (default: no)");
  app.add_option("--list-params", o->listParams,
                 "print the parameters of a kind: plot, mesh, grid, cage, labels")
      ->type_name("[KIND]")
      ->expected(0, 1)
      ->default_str("plot");
  app.add_flag("--open-help", o->openHelp, "press the plot's help button and open the guide");
  app.add_flag("--serve", o->serve,
               "open the studio: serve the scene to a browser on 127.0.0.1 (Ctrl-C ends it)");
  app.add_option("--port", o->port, "the studio's port (0: any free port)")
      ->type_name("N")
      ->default_str("0")
      ->check(CLI::Range(0, 65535));
  app.add_option("--api-version", o->apiVersion,
                 "the host interface version to present (default: the host's own)")
      ->type_name("N");
}

// An option CLI11 did not know, with the nearest known ones; or an argument that belongs to none.
std::string UnknownArgument(const CLI::App& app, const std::vector<std::string>& rest) {
  std::vector<std::string> names;
  for (const CLI::Option* opt : app.get_options()) {
    for (const std::string& n : opt->get_lnames()) names.push_back("--" + n);
    for (const std::string& n : opt->get_snames()) names.push_back("-" + n);
  }
  for (const std::string& arg : rest) {
    if (arg.size() < 2 || arg[0] != '-') continue;
    const std::string name = arg.substr(0, arg.find('='));
    return "unknown option " + name + DidYouMean(name, names);
  }
  return "unexpected argument \"" + rest.front() + "\" (each value follows its option; see --help)";
}

}  // namespace

int RunMain(int argc, char** argv) {
  CLI::App app{"zvplot: plots y = f(x, z) with the Zorvantix module and writes what you open"};
  app.footer(Footer());
  app.allow_extras();
  Options o;
  ActionOptions actionOptions;
  AddActionOptions(app, &actionOptions);
  AddOtherOptions(app, &o);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // The parser's messages echo what was typed: they are printed as every other line is.
    std::ostringstream err;
    const int status = app.exit(e, std::cout, err);
    PrintLines(err.str());
    return status;
  }
  if (!app.remaining().empty()) return Error(UnknownArgument(app, app.remaining()));
  std::vector<Action> actions;
  std::string error;
  if (!actionOptions.Ordered(app, &actions, &error)) return Error(error);
  o.listRequested = app.count("--list-params") > 0;
  if (app.count("--port") > 0 && !o.serve) return Error("--port goes with --serve");
  if (o.serve) BlockStopSignals();
  return Run(o, actions);
}

}  // namespace zvapp
