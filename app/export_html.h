// The HTML viewer: one self-contained page (three.js and the plot inlined) that opens from the
// file system with no network.
#pragma once

#include <string>
#include <vector>

namespace zvapp {

struct HtmlOptions {
  std::string title;
  int fps = 30;
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
