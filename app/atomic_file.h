// Output files are written whole or not at all: the data goes to a temporary file in the target's
// folder, which is then renamed over the target. A reader (or a crash) never sees half a file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zvapp {

// Writes `data` to `path`. On failure the target is left as it was (absent or the old file), no
// temporary file is left behind, and *error names the path and the reason.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error);

// The same for data made piece by piece: `produce` hands each piece to the sink it is given, which
// returns false once a write failed; `produce` returns false to give up (the target stays as it
// was).
using PieceSink = std::function<bool(std::string_view)>;
bool WriteFileAtomically(const std::string& path, const std::function<bool(const PieceSink&)>& produce,
                         std::string* error);

}  // namespace zvapp
