#include "studio_history.h"

namespace zvapp {

void History::Drop(std::deque<Snapshot>& steps, bool oldest) {
  held_ -= oldest ? steps.front().scene.size() : steps.back().scene.size();
  if (oldest)
    steps.pop_front();
  else
    steps.pop_back();
}

void History::Keep(std::deque<Snapshot>& steps, Snapshot s) {
  held_ += s.scene.size();
  steps.push_back(std::move(s));
  while (steps.size() > steps_) Drop(steps, true);
  // Past the bytes, the oldest go first: those of the other direction, then this one's.
  std::deque<Snapshot>& other = &steps == &undo_ ? redo_ : undo_;
  while (held_ > bytes_ && !other.empty()) Drop(other, true);
  while (held_ > bytes_ && steps.size() > 1) Drop(steps, true);
}

void History::Record(Snapshot before) {
  while (!redo_.empty()) Drop(redo_, false);
  Keep(undo_, std::move(before));
}

void History::Undone(Snapshot left) {
  Drop(undo_, false);
  Keep(redo_, std::move(left));
}

void History::Redone(Snapshot left) {
  Drop(redo_, false);
  Keep(undo_, std::move(left));
}

}  // namespace zvapp
