#include "studio_api.h"

#include <cstdio>
#include <functional>
#include <string_view>

#include "export_gltf.h"
#include "export_html.h"
#include "json_dump.h"
#include "json_text.h"
#include "scene_file.h"
#include "studio_describe.h"

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

}  // namespace

StudioApi::StudioApi(PlotScene& scene, ActionSession session)
    : scene_(scene), session_(std::move(session)) {
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
                     {"history", {{"undo", history_.UndoCount()}, {"redo", history_.RedoCount()}}},
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
    return Refused(400, "the body is {\"actions\": [[WORD, ARGUMENT, ...], ...], \"yes\": false}");
  for (const auto& [key, value] : request.items())
    if (key != "actions" && key != "yes")
      return Refused(400, "unknown member \"" + key + "\" (the body has \"actions\" and \"yes\")");
  const json yes = request.value("yes", json(false));
  if (!yes.is_boolean()) return Refused(400, "\"yes\" is true or false");
  std::vector<Action> actions;
  Refusal refusal;
  if (!ActionsFromJson(request["actions"], &actions, &refusal)) return Refused(refusal);
  if (actions.size() > kMaxActions)
    return Refused(400, "a batch has at most " + std::to_string(kMaxActions) + " actions");
  return Serialized([&] { return ApplyBatch(actions, yes.get<bool>()); });
}

ApiAnswer StudioApi::ApplyBatch(const std::vector<Action>& actions, bool yes) {
  Snapshot before;
  std::string error;
  if (!TakeSnapshot(scene_, session_, &before, &error))
    return Refused(500, "the document cannot be kept for undo: " + error);
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
    return Refused(refusal);
  }
  if (actions.empty()) return Changed(false, questions, yes, {});
  history_.Record(std::move(before));
  std::vector<std::string> notes = std::move(session_.notes);
  session_.notes.clear();
  return Changed(Refresh(false), questions, yes, notes);  // the last action was evaluated
}

ApiAnswer StudioApi::Undo() {
  return Serialized([&] { return Step(true); });
}

ApiAnswer StudioApi::Redo() {
  return Serialized([&] { return Step(false); });
}

ApiAnswer StudioApi::Step(bool undo) {
  const Snapshot* to = undo ? history_.NextUndo() : history_.NextRedo();
  if (!to) return Refused(409, undo ? "nothing to undo" : "nothing to redo");
  Snapshot now;
  std::string error;
  if (!TakeSnapshot(scene_, session_, &now, &error) ||
      !RestoreSnapshot(*to, scene_, &session_, &error))
    return Refused(500, "the step cannot be restored: " + error);
  if (undo)
    history_.Undone(std::move(now));
  else
    history_.Redone(std::move(now));
  return Changed(Refresh(true), {}, false, {});
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
    HtmlOptions options;
    options.title = OutputTitle(scene_);
    options.fps = scene_.Fps();
    ApiAnswer a{200, "", "text/html; charset=utf-8", "", "plot.html"};
    std::string error;
    if (!WriteHtmlPage({*glb_}, options, &a.body, &error)) return Refused(500, error);
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
    std::string error;
    std::vector<std::string> notes;
    BaseDocument* doc = LoadPlotSceneFromText(body, &error, &notes);
    if (!doc) return Refused(400, error);
    Snapshot before;
    if (!TakeSnapshot(scene_, session_, &before, &error)) {
      BaseDocument::Free(doc);
      return Refused(500, "the document cannot be kept for undo: " + error);
    }
    scene_.Adopt(doc);
    history_.Record(std::move(before));
    return Changed(Refresh(true), {}, false, notes);
  });
}

}  // namespace zvapp
