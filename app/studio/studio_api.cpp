#include "studio_api.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string_view>

#include "export_gltf.h"
#include "export_html.h"
#include "json_dump.h"
#include "json_text.h"
#include "memory_budget.h"
#include "output_formats.h"
#include "scene_file.h"
#include "studio_describe.h"
#include "temporary_files.h"

namespace zvapp {
namespace {
using nlohmann::json;

// Messages may quote a byte of a formula that is no UTF-8 on its own: replaced, never thrown.
std::string Text(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

ApiAnswer Refused(int status, const std::string& message) {
  return {status, Text({{"ok", false}, {"error", message}})};
}

ApiAnswer Refused(const Refusal& r) {
  return {400,
          Text({{"ok", false}, {"error", r.message}, {"index", r.index}, {"column", r.column}})};
}

// A request body is untrusted: it is parsed within limits far above what a page sends.
constexpr jsontext::JsonLimits kBodyLimits = {.depth = 8,
                                              .arrayItems = 100000,
                                              .members = 16,
                                              .textBytes = 1 << 20,
                                              .keyBytes = 64,
                                              .values = 1 << 20};

bool ParseBody(const std::string& body, json* out, std::string* error) {
  try {
    *out = jsontext::ParseJson(body, kBodyLimits);
    return true;
  } catch (const jsontext::JsonError& e) {
    *error = jsontext::ErrorMessage("the request's JSON ", e);
    return false;
  }
}

// The actions as the host meets them: each followed by an evaluation, as after each user action
// (an eval needs none after it). `origin` maps each back to its index in the batch.
std::vector<Action> WithEvaluations(const std::vector<Action>& actions,
                                    std::vector<size_t>* origin) {
  std::vector<Action> out;
  for (size_t i = 0; i < actions.size(); ++i) {
    out.push_back(actions[i]);
    origin->push_back(i);
    if (actions[i].word == "eval") continue;
    out.push_back({"eval", {}});
    origin->push_back(i);
  }
  return out;
}

bool MovesThroughTimeOnly(const std::vector<Action>& actions) {
  return !actions.empty() && std::all_of(actions.begin(), actions.end(),
                                         [](const Action& a) { return a.word == "frame"; });
}

std::string Hex(size_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "%016zx", v);
  return text;
}

// Whether an If-None-Match header names the ETag (a list, weak tags and * included).
bool Matches(const std::string& header, const std::string& etag) {
  if (etag.empty()) return false;
  size_t at = 0;
  while (at < header.size()) {
    size_t end = header.find(',', at);
    if (end == std::string::npos) end = header.size();
    std::string tag = header.substr(at, end - at);
    tag.erase(0, tag.find_first_not_of(" \t"));
    tag.erase(tag.find_last_not_of(" \t") + 1);
    if (tag.rfind("W/", 0) == 0) tag.erase(0, 2);
    if (tag == "*" || tag == etag) return true;
    at = end + 1;
  }
  return false;
}

size_t UndoBytes() {
  Int64 limit = 0;
  std::string error;
  if (!MemoryLimit(&limit, &error)) return StudioApi::kUndoBytes;
  return std::min(StudioApi::kUndoBytes, static_cast<size_t>(limit / 8));
}

// What a print format's writer leaves in a file, read back: it writes files only, so it writes
// one in a folder of its own that goes again at once.
bool WritePrintFile(BaseDocument* doc, const std::string& name, std::string* out,
                    std::string* error) {
  std::string folder = (std::filesystem::temp_directory_path() / "zvplot.XXXXXX").string();
  if (!::mkdtemp(folder.data())) return *error = "no temporary folder for " + name, false;
  const std::string path = folder + "/" + name;
  bool written = false;
  {
    TemporaryFile registered(path);
    StagedOutputs staged;
    PrintReport report;
    written =
        StagePrintFile(staged, doc, path, PrintOptions{}, &report, error) && staged.Commit(error);
    if (written) {
      std::ifstream in(path, std::ios::binary);
      out->assign(std::istreambuf_iterator<char>(in), {});
      written = in.good() || in.eof();
      if (!written) *error = "cannot read back " + name;
    }
    ::unlink(path.c_str());
  }
  ::rmdir(folder.c_str());
  return written;
}

}  // namespace

StudioApi::StudioApi(PlotScene& scene, ActionSession session)
    : scene_(scene), session_(std::move(session)), history_(kUndoSteps, UndoBytes()) {
  Refresh(true);
}

template <typename Call>
ApiAnswer StudioApi::Serialized(Call call) {
  std::lock_guard lock(mutex_);
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return Refused(507, "out of memory");
  } catch (const std::exception& e) {
    return Refused(500, e.what());
  }
}

void StudioApi::CountKept() {
  const size_t gesture = gestureStart_ ? gestureStart_->scene.size() : 0;
  session_.held = {.glb = true,
                   .kept = Int64((glb_ ? glb_->size() : 0) + history_.Bytes() + gesture)};
}

bool StudioApi::KeepWithinBudget(BaseDocument* left, std::string* error) {
  CountKept();
  if (!EvaluateWithinBudget(scene_, session_, session_.held, error)) {
    BaseDocument* refused = scene_.Exchange(left);  // back as it was evaluated
    BaseDocument::Free(refused);
    return false;
  }
  BaseDocument::Free(left);
  return true;
}

Snapshot StudioApi::Take() const {
  Snapshot s;
  std::string error;
  if (!TakeSnapshot(scene_, session_, &s, &error))
    throw std::runtime_error("the document cannot be kept for undo: " + error);
  return s;
}

void StudioApi::RecordUnlessSame(Snapshot before) {
  if (!before.SameEdits(Take())) history_.Record(std::move(before));
}

void StudioApi::EndGesture() {
  if (!gestureStart_) return;
  Snapshot start = std::move(*gestureStart_);
  gestureStart_.reset();
  RecordUnlessSame(std::move(start));
}

bool StudioApi::Refresh(bool evaluate) {
  if (evaluate) EvaluateScene(scene_, session_);
  ExportReport report;
  std::vector<unsigned char> glb;
  glbError_.clear();
  if (!BuildGlb(scene_.Document(), OutputTitle(scene_), &glb, &report, &glbError_)) glb.clear();
  const std::string etag = glb.empty()
                               ? ""
                               : "\"" +
                                     Hex(std::hash<std::string_view>{}(std::string_view(
                                         reinterpret_cast<const char*>(glb.data()), glb.size()))) +
                                     "\"";
  const bool changed = etag != etag_;
  // A request still sending the previous geometry keeps it alive until it is sent.
  glb_ = glb.empty() ? nullptr : std::make_shared<const std::vector<unsigned char>>(std::move(glb));
  etag_ = etag;
  return changed;
}

ApiAnswer StudioApi::Changed(bool geometry, const std::vector<std::string>& questions, bool yes,
                             const std::vector<std::string>& notes) {
  json asked = json::array();
  for (const std::string& q : questions)
    asked.push_back({{"text", q}, {"answer", yes ? "yes" : "no"}});
  const json head = {{"ok", true},
                     {"questions", std::move(asked)},
                     {"changed", {{"geometry", geometry}}},
                     {"frame", scene_.Frame()},
                     {"endFrame", scene_.EndFrame()},
                     {"history",
                      {{"undo", history_.UndoCount()},
                       {"redo", history_.RedoCount()},
                       {"gesture", gestureStart_.has_value()}}},
                     {"notes", notes}};
  std::string body = Text(head);
  body.pop_back();  // the closing brace: the dump follows as one more member
  body += ",\"scene\":";
  WriteDump(scene_.Document(), [&body](std::string_view piece) { return body.append(piece), true; },
            {.arrays = false});
  body += "}";
  return {200, std::move(body)};
}

ApiAnswer StudioApi::Scene(bool arrays) {
  return Serialized([&] {
    ApiAnswer a;
    WriteDump(scene_.Document(),
              [&a](std::string_view piece) { return a.body.append(piece), true; },
              {.arrays = arrays});
    return a;
  });
}

ApiAnswer StudioApi::Actions(const std::string& body) {
  json request;
  std::string error;
  if (!ParseBody(body, &request, &error)) return Refused(400, error);
  if (!request.is_object() || !request.contains("actions"))
    return Refused(400,
                   "the body is {\"actions\": [[WORD, ARGUMENT, ...], ...], \"yes\": false, "
                   "\"gesture\": \"preview\"}");
  for (const auto& [key, value] : request.items())
    if (key != "actions" && key != "yes" && key != "gesture")
      return Refused(400, "unknown member \"" + key +
                              "\" (the body has \"actions\", \"yes\" and \"gesture\")");
  const json yes = request.value("yes", json(false));
  if (!yes.is_boolean()) return Refused(400, "\"yes\" is true or false");
  const json word = request.value("gesture", json("end"));
  Gesture gesture = Gesture::kEnd;
  if (word == "preview")
    gesture = Gesture::kPreview;
  else if (word == "cancel")
    gesture = Gesture::kCancel;
  else if (word != "end")
    return Refused(400, "\"gesture\" is \"preview\", \"end\" or \"cancel\", not " + Text(word));
  std::vector<Action> actions;
  Refusal refusal;
  if (!ActionsFromJson(request["actions"], &actions, &refusal)) return Refused(refusal);
  if (actions.size() > kMaxActions)
    return Refused(400, "a batch has at most " + std::to_string(kMaxActions) + " actions");
  if (gesture == Gesture::kCancel && !actions.empty())
    return Refused(400, "a cancelled gesture goes back to its start: its \"actions\" are []");
  return Serialized([&] {
    return gesture == Gesture::kCancel ? Cancel() : ApplyBatch(actions, yes.get<bool>(), gesture);
  });
}

ApiAnswer StudioApi::ApplyBatch(const std::vector<Action>& actions, bool yes, Gesture gesture) {
  Snapshot before = Take();
  CountKept();
  zvhost::HostLog& log = zvhost::GetHostLog();
  log.questions.clear();
  zvhost::SetQuestionAnswer(yes);
  std::vector<size_t> origin;
  Refusal refusal;
  const bool applied =
      ApplyActions(scene_, WithEvaluations(actions, &origin), &session_, &refusal, before);
  const std::vector<std::string> questions = std::move(log.questions);
  log.questions.clear();
  log.executedFiles.clear();  // the help is never opened for a page
  if (!applied) {
    if (refusal.index < origin.size()) refusal.index = origin[refusal.index];
    Refresh(true);  // the document was restored; its caches are rebuilt
    // The end of a gesture ends it all the same, where its last preview left it.
    if (gesture == Gesture::kEnd) EndGesture();
    return Refused(refusal);
  }
  std::vector<std::string> notes = std::move(session_.notes);
  session_.notes.clear();
  const bool geometry = !actions.empty() && Refresh(false);  // the last action was evaluated
  // Moving through time is no edit, though what the plot shows at the new time differs. Any
  // other batch starts a gesture unless one is open, and all but a preview end it.
  if (gesture == Gesture::kPreview || gestureStart_ || !MovesThroughTimeOnly(actions)) {
    if (!gestureStart_) gestureStart_ = std::move(before);
    if (gesture != Gesture::kPreview) EndGesture();
  }
  return Changed(geometry, questions, yes, notes);
}

ApiAnswer StudioApi::Cancel() {
  if (!gestureStart_) return Changed(false, {}, false, {});
  Snapshot start = std::move(*gestureStart_);
  gestureStart_.reset();
  std::string error;
  if (!RestoreSnapshot(start, scene_, &session_, &error))
    return Refused(500, "the gesture's start cannot be restored: " + error);
  // The state it started from was evaluated within the budget then.
  return Changed(Refresh(true), {}, false, {});
}

ApiAnswer StudioApi::Undo() {
  return Serialized([&] { return Step(true); });
}

ApiAnswer StudioApi::Redo() {
  return Serialized([&] { return Step(false); });
}

ApiAnswer StudioApi::Step(bool undo) {
  EndGesture();
  const Snapshot* to = undo ? history_.NextUndo() : history_.NextRedo();
  if (!to) return Refused(409, undo ? "nothing to undo" : "nothing to redo");
  Snapshot now = Take();
  std::string error;
  BaseDocument* doc = LoadSceneFromText(to->scene, &error);
  if (!doc) return Refused(500, "the step cannot be restored: " + error);
  // Moving through time is no edit: the step keeps the frame.
  const Int32 frame = scene_.Frame();
  BaseDocument* left = scene_.Exchange(doc);
  scene_.SetFrame(frame);
  const ActionSession session = session_;
  session_ = to->session;
  session_.held = session.held;
  if (!KeepWithinBudget(left, &error)) {
    session_ = session;
    return Refused(400, error);
  }
  if (undo)
    history_.Undone(std::move(now));
  else
    history_.Redone(std::move(now));
  return Changed(Refresh(false), {}, false, {});
}

ApiAnswer StudioApi::Describe() {
  return Serialized([&] { return ApiAnswer{200, Text(DescribeScene(scene_))}; });
}

ApiAnswer StudioApi::Handles() {
  return Serialized([&] { return ApiAnswer{200, Text(SceneHandles(scene_))}; });
}

ApiAnswer StudioApi::Geometry(const std::string& ifNoneMatch) {
  return Serialized([&] {
    if (!glb_) return Refused(500, "the geometry cannot be written: " + glbError_);
    ApiAnswer a{200, "", "model/gltf-binary", etag_};
    if (Matches(ifNoneMatch, etag_))
      a.status = 304;
    else
      a.kept = glb_;
    return a;
  });
}

ApiAnswer StudioApi::Page() {
  return Serialized([&] {
    if (!glb_) return Refused(500, "the geometry cannot be written: " + glbError_);
    // The page holds a copy of the geometry and its base64 text, beside what the studio keeps.
    constexpr Int64 kPageBytes = 16 << 20;  // three.js and the template
    CountKept();
    std::string error;
    if (!FitsBudget(session_.held.kept + Int64(glb_->size()) * 7 / 3 + kPageBytes,
                    "the page and the geometry it carries", &error))
      return Refused(400, error);
    HtmlOptions options;
    options.title = OutputTitle(scene_);
    options.fps = scene_.Fps();
    ApiAnswer a{200, "", "text/html; charset=utf-8", "", "plot.html"};
    if (!WriteHtmlPage({*glb_}, options, &a.body, &error)) return Refused(500, error);
    return a;
  });
}

ApiAnswer StudioApi::PrintFile(const std::string& ending) {
  return Serialized([&] {
    const std::string name = "plot" + ending;
    const OutputFormat* format = FindOutputFormat(name);
    if (!format || !IsPrintFile(name)) return Refused(404, "there is no download " + name);
    CountKept();
    HeldOutputs held = format->holds;
    held.kept = session_.held.kept;
    std::string error;
    const MemoryEstimate e = EstimateEvaluation(scene_, held);
    if (!FitsBudget(e.bytes, "the scene and its " + name, &error)) return Refused(400, error);
    ApiAnswer a{200, "", "model/" + ending.substr(1), "", name};
    if (!WritePrintFile(scene_.Document(), name, &a.body, &error)) return Refused(400, error);
    return a;
  });
}

ApiAnswer StudioApi::GetSceneFile() {
  return Serialized([&] {
    ApiAnswer a{200, "", "application/json", "", "scene.json"};
    std::string error;
    if (!SaveSceneToText(scene_.Document(), &a.body, &error)) return Refused(500, error);
    return a;
  });
}

ApiAnswer StudioApi::PutSceneFile(const std::string& body) {
  return Serialized([&] {
    EndGesture();
    std::string error;
    std::vector<std::string> notes;
    BaseDocument* doc = LoadPlotSceneFromText(body, &error, &notes);
    if (!doc) return Refused(400, error);
    Snapshot before;
    if (!TakeSnapshot(scene_, session_, &before, &error)) {
      BaseDocument::Free(doc);
      return Refused(500, "the document cannot be kept for undo: " + error);
    }
    if (!KeepWithinBudget(scene_.Exchange(doc), &error)) return Refused(400, error);
    RecordUnlessSame(std::move(before));
    return Changed(Refresh(false), {}, false, notes);
  });
}

}  // namespace zvapp
