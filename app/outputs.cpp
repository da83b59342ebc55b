#include "outputs.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "atomic_file.h"
#include "export_gltf.h"
#include "export_html.h"
#include "json_dump.h"
#include "scene_file.h"

namespace zvapp {
namespace {

std::string Extension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

// plot.glb at frame 7 of an animation is plot_0007.glb.
std::string FramePath(const std::string& path, Int32 frame) {
  const std::string ext = Extension(path);
  char number[16];
  std::snprintf(number, sizeof number, "_%04d", frame);
  return path.substr(0, path.size() - ext.size()) + number + ext;
}

bool ParseFrames(const std::string& text, Int32* first, Int32* last) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  try {
    size_t used = 0;
    *first = std::stoi(text.substr(0, colon), &used);
    if (used != colon) return false;
    const std::string tail = text.substr(colon + 1);
    *last = std::stoi(tail, &used);
    return used == tail.size() && *first <= *last && *last - *first < 100000;
  } catch (const std::exception&) {
    return false;
  }
}

void Progress(Int32 done, Int32 total) {
  if (!isatty(2) || total < 2) return;
  const int width = 40;
  const int filled = static_cast<int>(static_cast<long long>(done) * width / total);
  std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(width - filled), ' ').c_str(), done, total);
  if (done == total) std::fprintf(stderr, "\n");
}

// Writes the outputs of the evaluated frame; the HTML pages collect one GLB per frame.
bool WriteFrame(const OutputOptions& o, PlotScene& scene, bool animated, Int32 frame,
                std::vector<std::vector<unsigned char>>* pages, std::string* error) {
  const std::string title = OutputTitle(scene);
  bool page = false;
  for (const std::string& output : o.outputs) {
    const std::string ext = Extension(output);
    const std::string path = animated ? FramePath(output, frame) : output;
    ExportReport report;
    if (ext == ".json") {
      if (!WriteDumpFile(scene.Document(), path, error)) return false;
    } else if (ext == ".glb" || ext == ".gltf") {
      if (!WriteGltfFile(scene.Document(), path, title, &report, error)) return false;
    } else {
      page = true;
    }
  }
  if (page) {
    std::vector<unsigned char> glb;
    ExportReport report;
    if (!BuildGlb(scene.Document(), title, &glb, &report, error)) return false;
    pages->push_back(std::move(glb));
  }
  return true;
}

}  // namespace

std::string OutputTitle(const PlotScene& scene) {
  BaseObject* plot = scene.Plot();
  return plot ? "y = " + PlotFormula(plot) : "Zorvantix";
}

bool CheckOutputs(const OutputOptions& o, std::string* error) {
  for (const std::string& output : o.outputs) {
    const std::string ext = Extension(output);
    if (ext != ".json" && ext != ".glb" && ext != ".gltf" && ext != ".html") {
      *error = "unknown output type of " + output + " (use .glb, .gltf, .html or .json)";
      return false;
    }
  }
  Int32 first = 0, last = 0;
  if (!o.frames.empty() && !ParseFrames(o.frames, &first, &last)) {
    *error = "--frames takes FIRST:LAST with FIRST <= LAST, not \"" + o.frames + "\"";
    return false;
  }
  return true;
}

bool WriteOutputs(const OutputOptions& o, PlotScene& scene, const ActionSession& session,
                  std::string* error) {
  if (!CheckOutputs(o, error)) return false;
  Int32 first = scene.Frame(), last = first;
  const bool animated = !o.frames.empty();
  if (animated) ParseFrames(o.frames, &first, &last);
  std::vector<std::vector<unsigned char>> pages;
  for (Int32 frame = first; frame <= last; ++frame) {
    if (animated) scene.SetFrame(frame);
    EvaluateScene(scene, session);
    if (frame == first) {
      const long long nonFinite = CountNonFiniteSamples(scene.Plot());
      if (nonFinite > 0)
        std::cerr << "zvplot: " << nonFinite
                  << " samples are not finite numbers and are left out\n";
    }
    if (!WriteFrame(o, scene, animated, frame, &pages, error)) return false;
    Progress(frame - first + 1, last - first + 1);
  }
  for (const std::string& output : o.outputs) {
    if (Extension(output) != ".html") continue;
    HtmlOptions options;
    options.title = OutputTitle(scene);
    options.fps = scene.Fps();
    if (!WriteHtmlFile(pages, options, output, error)) return false;
  }
  if (!o.save.empty() && !SaveScene(scene.Document(), o.save, error)) return false;
  if (o.dump == "-") {
    WriteDump(scene.Document(), [](std::string_view piece) {
      return static_cast<bool>(
          std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size())));
    });
  } else if (!o.dump.empty() && !WriteDumpFile(scene.Document(), o.dump, error)) {
    return false;
  }
  return true;
}

}  // namespace zvapp
