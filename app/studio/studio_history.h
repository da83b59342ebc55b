// The studio's undo and redo: each step is a snapshot of the whole document (its scene file text,
// which holds the frame rate and range too) and of the action session, taken before a change.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "plot_scene.h"

namespace zvapp {

// Steps to go back and forth. A new step drops the steps to redo; the oldest steps go once there
// are more than the limit of steps, or once their texts take more than the limit of bytes (the
// newest step stays, however large).
class History {
 public:
  explicit History(size_t steps, size_t bytes = SIZE_MAX) : steps_(steps), bytes_(bytes) {}

  // The state before a user's change.
  void Record(Snapshot before);
  // The state an undo (a redo) goes back (forward) to, or nothing.
  const Snapshot* NextUndo() const { return undo_.empty() ? nullptr : &undo_.back(); }
  const Snapshot* NextRedo() const { return redo_.empty() ? nullptr : &redo_.back(); }
  // Once that state is in place: `left` is the state it replaced, kept to go the other way.
  void Undone(Snapshot left);
  void Redone(Snapshot left);

  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }
  // What the steps' texts take.
  size_t Bytes() const { return held_; }

 private:
  void Keep(std::deque<Snapshot>& steps, Snapshot s);
  void Drop(std::deque<Snapshot>& steps, bool oldest);

  size_t steps_, bytes_;
  size_t held_ = 0;
  std::deque<Snapshot> undo_, redo_;  // the newest at the back
};

}  // namespace zvapp
