// The studio's API, apart from the HTTP server that carries it: every call reads or changes the one
// scene, one call at a time (the host is single-threaded), and answers with a status and a body.
//
// A change (a batch of actions, an undo or redo, a scene file put in place) is evaluated as the
// host evaluates after each user action, and its answer says whether the geometry changed; the
// binary glTF is built once per change and handed out until the next one.
#pragma once

#include <memory>
#include <mutex>
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
  static constexpr size_t kMaxActions = 1000;  // of one batch

  // Serves the scene the command line built, with its session; evaluates it.
  StudioApi(PlotScene& scene, ActionSession session);
  StudioApi(const StudioApi&) = delete;
  StudioApi& operator=(const StudioApi&) = delete;

  // GET /api/scene: the dump (without the large arrays unless `arrays`).
  ApiAnswer Scene(bool arrays);
  // POST /api/actions: {"actions": [[WORD, ARG...], ...], "yes": false}.
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

 private:
  template <typename Call>
  ApiAnswer Serialized(Call call);
  ApiAnswer ApplyBatch(const std::vector<Action>& actions, bool yes);
  ApiAnswer Step(bool undo);
  // Rebuilds the glTF (evaluating the scene first when asked); true when its bytes changed.
  bool Refresh(bool evaluate);
  // The answer after a change: ok, the questions asked, whether the geometry changed, the undo
  // and redo counts, and the dump without its arrays.
  ApiAnswer Changed(bool geometry, const std::vector<std::string>& questions, bool yes,
                    const std::vector<std::string>& notes);

  std::mutex mutex_;
  PlotScene& scene_;
  ActionSession session_;
  History history_{kUndoSteps};
  std::shared_ptr<const std::vector<unsigned char>> glb_;  // null when it cannot be written
  std::string etag_;
  std::string glbError_;
};

}  // namespace zvapp
