// The HTML viewer: one self-contained page (three.js and the plot inlined) that opens from the
// file system with no network.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"

namespace zvapp {

struct HtmlOptions {
  std::string title;
  int fps = 30;
};

// A page written into a command's staged outputs a frame at a time, so that an animation never
// holds more than the frame being written: Begin, then AddFrame for each frame, then Finish. The
// page is the one WriteHtmlFile writes of the same frames, byte for byte.
class HtmlPageWriter {
 public:
  HtmlPageWriter();
  ~HtmlPageWriter();
  HtmlPageWriter(const HtmlPageWriter&) = delete;
  HtmlPageWriter& operator=(const HtmlPageWriter&) = delete;

  // Opens the page at `path` in `staged` and writes it up to its first frame.
  bool Begin(StagedOutputs& staged, const std::string& path, const HtmlOptions& options,
             std::string* error);
  // The same page into a text, `out`.
  bool Begin(std::string* out, const HtmlOptions& options, std::string* error);
  // One frame: `glb` hands the frame's GLB to the sink it is given, in pieces of any length.
  bool AddFrame(const PieceProducer& glb, std::string* error);
  // The rest of the page; fails when no frame was added.
  bool Finish(std::string* error);

  struct State;

 private:
  bool Start(std::function<bool(std::string_view, std::string*)> write,
             std::function<bool(std::string*)> close, const std::string& name,
             const HtmlOptions& options, std::string* error);
  std::unique_ptr<State> state_;
};

// One self-contained page (three.js inlined, no network) showing the frames (one GLB per frame; one
// frame = still plot; more = the page plays them as an animation at fps with a play/pause control).
// Fails with a message when three.js is not laid out (the set-up command installs it).
bool WriteHtmlFile(const std::vector<std::vector<unsigned char>>& frames,
                   const HtmlOptions& options, const std::string& path, std::string* error);

// The same page as a text (the studio hands it out for download).
bool WriteHtmlPage(const std::vector<std::vector<unsigned char>>& frames,
                   const HtmlOptions& options, std::string* out, std::string* error);

// The folder with the page template, its script and three.js; the build's own by default.
void SetViewerDirectory(const std::string& folder);
const std::string& ViewerDirectory();

}  // namespace zvapp
