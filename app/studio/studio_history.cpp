#include "studio_history.h"

#include "scene_file.h"

namespace zvapp {

bool TakeSnapshot(const PlotScene& scene, const ActionSession& session, Snapshot* out,
                  std::string* error) {
  out->session = session;
  return SaveSceneToText(scene.Document(), &out->scene, error);
}

bool RestoreSnapshot(const Snapshot& snapshot, PlotScene& scene, ActionSession* session,
                     std::string* error) {
  BaseDocument* doc = LoadSceneFromText(snapshot.scene, error);
  if (!doc) return false;
  scene.Adopt(doc);
  *session = snapshot.session;
  return true;
}

void History::Keep(std::deque<Snapshot>& steps, Snapshot s) {
  steps.push_back(std::move(s));
  while (steps.size() > limit_) steps.pop_front();
}

void History::Record(Snapshot before) {
  Keep(undo_, std::move(before));
  redo_.clear();
}

void History::Undone(Snapshot left) {
  undo_.pop_back();
  Keep(redo_, std::move(left));
}

void History::Redone(Snapshot left) {
  redo_.pop_back();
  Keep(undo_, std::move(left));
}

}  // namespace zvapp
