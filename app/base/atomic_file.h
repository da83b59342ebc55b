// Output files are written whole or not at all. A command's outputs are staged: each is written to
// a temporary file in its target's folder, and only when every one has been written are they put
// in place, by renames in the order they were staged. A reader (or a crash, or Ctrl-C) never sees
// half a file, and a failure leaves every target as it was.
//
// What a path names decides how it is written:
// - a regular file, or nothing yet: replaced (or created) through a temporary ".zvNNNNNN" beside
//   it, so a name as long as the folder allows works; a replaced file keeps its permissions;
// - a symlink: followed, and its target written in the same way (a dangling link creates its
//   target); the link stays a link;
// - a character device or a FIFO (/dev/null, a pipe another program reads): written in place,
//   never replaced. It is opened when staged, so a FIFO must have its reader by then; its data is
//   kept in an unnamed temporary file and written after the renames, as the one step that cannot
//   be taken back;
// - anything else (a folder, a block device, a socket) is refused.
//
// SIGINT, SIGTERM and SIGHUP remove the temporaries before the process ends as the signal asks.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zvapp {

class StagedOutputs {
 public:
  StagedOutputs();
  // Removes whatever was staged and not committed.
  ~StagedOutputs();
  StagedOutputs(const StagedOutputs&) = delete;
  StagedOutputs& operator=(const StagedOutputs&) = delete;

  // Starts an output at `path` whose data follows through Append (a page written frame by frame);
  // its number, or nothing with *error naming the path and the reason.
  std::optional<std::size_t> Open(const std::string& path, std::string* error);
  bool Append(std::size_t output, std::string_view data, std::string* error);
  // A whole output at once: Open and Append in one, and the output closed (so that a command can
  // stage as many as it has frames).
  bool Stage(const std::string& path, std::string_view data, std::string* error);
  // The same for data made piece by piece: `produce` hands each piece to the sink it is given,
  // which returns false once a write failed; `produce` returns false to give up.
  using PieceSink = std::function<bool(std::string_view)>;
  bool StagePieces(const std::string& path, const std::function<bool(const PieceSink&)>& produce,
                   std::string* error);
  // Ends an output started with Open: its data is complete.
  bool Close(std::size_t output, std::string* error);

  // Puts every staged output in place. Refused when anything staged failed; afterwards nothing is
  // staged. On failure *error names the output and the reason; every temporary is gone.
  bool Commit(std::string* error);
  // Removes every temporary; the targets stay as they were.
  void Discard();

  struct Output;

 private:
  bool Fail(std::string* error, std::string message);

  std::vector<std::unique_ptr<Output>> outputs_;
  bool failed_ = false;
};

// Writes one output: `path` gets `data` whole, or stays as it was with *error naming the path and
// the reason.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error);

// The same for data made piece by piece (StagePieces); the target stays as it was when `produce`
// gives up.
using PieceSink = StagedOutputs::PieceSink;
using PieceProducer = std::function<bool(const PieceSink&)>;
bool WriteFileAtomically(const std::string& path, const PieceProducer& produce, std::string* error);

}  // namespace zvapp
