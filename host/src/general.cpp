// General host services and the host's own state.
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "c4d_general.h"
#include "formula.h"
#include "host_state.h"

namespace zvhost {

HostState& State() {
  static HostState state;
  return state;
}

namespace {
bool IsWordChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
}  // namespace

void SetAPIVersion(Int32 version) { State().apiVersion = version; }
void SetRunning(CHECKISRUNNING type, Bool on) {
  const auto i = static_cast<size_t>(type);
  if (i < 4) State().running[i] = on;
}
void SetQuestionAnswer(Bool answer) { State().questionAnswer = answer; }
void SetPerformExecuteFile(Bool perform) { State().performExecuteFile = perform; }
HostLog& GetHostLog() { return State().log; }
Bool IsEvaluationOutput(const BaseTag* tag) { return tag && HostAccess::IsEvaluationOutput(*tag); }

// Every standalone variable letter becomes the one-character number 1, so that a column of the
// diagnostic is a column of the formula as the user typed it.
ConversionDiagnostic CheckExpression(const std::string& text, std::string_view variables) {
  std::string probe = text;
  for (size_t i = 0; i < probe.size(); ++i) {
    const bool before = i > 0 && IsWordChar(text[i - 1]);
    const bool after = i + 1 < text.size() && IsWordChar(text[i + 1]);
    if (variables.find(text[i]) != std::string_view::npos && !before && !after) probe[i] = '1';
  }
  FormulaDiagnostic diag;
  EvaluateExpression(probe, &diag);
  return {diag.ok, diag.message, diag.column};
}

}  // namespace zvhost

using zvhost::State;

Int32 GetC4DVersion() { return State().apiVersion; }

const Filename GeGetPluginPath() { return Filename(String(State().pluginPath)); }

Bool GeFExist(const Filename& name, Bool isdir) {
  struct stat st {};
  if (stat(name.GetString().c_str(), &st) != 0) return false;
  return isdir ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
}

String GeLoadString(Int32 id) {
  const auto& strings = State().strings;
  auto it = strings.find(id);
  return State().resourceReady && it != strings.end() ? String(it->second) : String();
}

Bool GeResource::Init() {
  zvhost::HostState& st = State();
  std::string error;
  st.strings.clear();
  st.resourceReady = zvhost::LoadStringTable(st.pluginPath + "/res", "en-US", &st.strings, &error);
  return st.resourceReady;
}

GeData StringToNumber(const maxon::String& text, Int32 format, Int32, const LENGTHUNIT*) {
  if (format != FORMAT_FLOAT) return GeData(0.0);
  return GeData(zvhost::EvaluateExpression(text.GetStdString()));
}

Bool QuestionDialog(const maxon::String& str) {
  State().log.questions.push_back(str.GetStdString());
  return State().questionAnswer;
}

// Opening a file is recorded; the runner asks for it to be performed with the desktop's opener.
Bool GeExecuteFile(const Filename& path) {
  State().log.executedFiles.push_back(path.GetString().GetStdString());
  if (!GeFExist(path)) return false;
  if (!State().performExecuteFile) return true;
  // The path is handed over as one argument, never through a shell.
  std::string file = path.GetString().GetStdString();
  char opener[] = "xdg-open";
  char* argv[] = {opener, file.data(), nullptr};
  pid_t pid = 0;
  return posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) == 0;
}

// A headless host has no view to redraw and no background work to halt.
void EventAdd(EVENT) {}

void StopAllThreads() {}

Bool CheckIsRunning(CHECKISRUNNING type) {
  const auto i = static_cast<size_t>(type);
  return i < 4 && State().running[i];
}
