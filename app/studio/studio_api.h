// The studio's API, apart from the HTTP server that carries it: every call reads or changes the one
// scene, one call at a time (the host is single-threaded), and answers with a status and a body.
//
// A change (a batch of actions, an undo or redo, a scene file put in place) is evaluated as the
// host evaluates after each user action, within the memory budget (which counts what the studio
// keeps: its glTF and its undo history), and its answer says whether the geometry changed; the
// binary glTF is built once per change and handed out until the next one.
//
// Undo works as in the host: a gesture (a drag, a scrub, typing into a field) sends previews and
// then its end, and is one step from where it started; moving through time is no edit, nor is a
// refused or declined batch, nor one that leaves the document as it was. Undo and redo keep the
// frame.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "actions.h"
#include "plot_scene.h"
#include "studio_history.h"

namespace zvapp {

struct ApiAnswer {
  ApiAnswer() = default;
  ApiAnswer(int status, std::string body, std::string type = "application/json",
            std::string etag = "", std::string filename = "")
      : status(status),
        body(std::move(body)),
        type(std::move(type)),
        etag(std::move(etag)),
        filename(std::move(filename)) {}

  int status = 200;
  std::string body;
  std::string type = "application/json";
  std::string etag;      // the geometry's, on the calls that hand it out
  std::string filename;  // the name a download is saved under, when it is one
  // In place of `body`: bytes the API keeps (the geometry, up to a hundred megabytes), sent from
  // where they are instead of copied for each request.
  std::shared_ptr<const std::vector<unsigned char>> kept;
};

class StudioApi {
 public:
  static constexpr size_t kUndoSteps = 200;
  // The history's texts take at most this much, or an eighth of the memory limit when less.
  static constexpr size_t kUndoBytes = size_t{64} << 20;
  static constexpr size_t kMaxActions = 1000;  // of one batch

  // Serves the scene the command line built, with its session; evaluates it.
  StudioApi(PlotScene& scene, ActionSession session);
  StudioApi(const StudioApi&) = delete;
  StudioApi& operator=(const StudioApi&) = delete;

  // GET /api/scene: the dump (without the large arrays unless `arrays`).
  ApiAnswer Scene(bool arrays);
  // POST /api/actions: {"actions": [[WORD, ARG...], ...], "yes": false, "gesture": G}, G one of
  // "preview", "end" (or absent) and "cancel".
  ApiAnswer Actions(const std::string& body);
  ApiAnswer Undo();
  ApiAnswer Redo();
  ApiAnswer Describe();
  ApiAnswer Handles();
  // GET /api/geometry.glb: 304 without a body when `ifNoneMatch` names the current geometry.
  ApiAnswer Geometry(const std::string& ifNoneMatch);
  // GET /api/page.html: what -o plot.html writes.
  ApiAnswer Page();
  ApiAnswer GetSceneFile();
  ApiAnswer PutSceneFile(const std::string& body);
  // GET /api/plot.stl (.3mf, .obj): what -o plot.stl writes of the scene as it is.
  ApiAnswer PrintFile(const std::string& ending);

  enum class Gesture { kEnd, kPreview, kCancel };

 private:
  template <typename Call>
  ApiAnswer Serialized(Call call);
  ApiAnswer ApplyBatch(const std::vector<Action>& actions, bool yes, Gesture gesture);
  ApiAnswer Cancel();
  ApiAnswer Step(bool undo);
  // What the studio keeps while it evaluates, for the estimate: the glTF (a new one is built
  // beside the one handed out) and the history.
  void CountKept();
  // Evaluates the document just put in place of `left` within the budget and frees `left`; false
  // with the refusal, `left` back in place as it was evaluated and the new document freed.
  bool KeepWithinBudget(BaseDocument* left, std::string* error);
  // A snapshot of the scene, or an exception (answered 500) when it cannot be written.
  Snapshot Take() const;
  // The open gesture ends: one step from its start, unless the document is as it was.
  void EndGesture();
  // One step back to `before` unless the document is as it was.
  void RecordUnlessSame(Snapshot before);
  // Rebuilds the glTF (evaluating the scene first when asked); true when its bytes changed.
  bool Refresh(bool evaluate);
  // The answer after a change: ok, the questions asked, whether the geometry changed, the undo
  // and redo counts, and the dump without its arrays.
  ApiAnswer Changed(bool geometry, const std::vector<std::string>& questions, bool yes,
                    const std::vector<std::string>& notes);

  std::mutex mutex_;
  PlotScene& scene_;
  ActionSession session_;
  History history_;
  std::optional<Snapshot> gestureStart_;  // the state before an open gesture's first preview
  std::shared_ptr<const std::vector<unsigned char>> glb_;  // null when it cannot be written
  std::string etag_;
  std::string glbError_;
};

}  // namespace zvapp
