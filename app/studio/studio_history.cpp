#include "studio_history.h"

namespace zvapp {

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
