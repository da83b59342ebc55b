#include "outputs.h"

#include <cstdio>
#include <iostream>
#include <memory>

#include "atomic_file.h"
#include "export_gltf.h"
#include "export_html.h"
#include "frames.h"
#include "json_dump.h"
#include "memory_budget.h"
#include "messages.h"
#include "output_formats.h"
#include "scene_file.h"

namespace zvapp {
namespace {

// plot.glb at frame 7 of an animation is plot_0007.glb.
std::string FramePath(const std::string& path, Int32 frame) {
  const std::string ext = PathEnding(path);
  char number[16];
  std::snprintf(number, sizeof number, "_%04d", frame);
  return path.substr(0, path.size() - ext.size()) + number + ext;
}

// What one command writes, staged together: the files of each frame as it is evaluated, the pages
// a frame at a time, then the scene file and the dump.
class CommandOutputs {
 public:
  explicit CommandOutputs(const OutputOptions& o) : o_(o) {}

  bool BeginPages(PlotScene& scene, std::string* error) {
    HtmlOptions options;
    options.title = OutputTitle(scene);
    options.fps = scene.Fps();
    for (const std::string& output : o_.outputs) {
      if (FindOutputFormat(output)->staging != Staging::kOnePage) continue;
      pages_.push_back(std::make_unique<HtmlPageWriter>());
      if (!pages_.back()->Begin(staged_, output, options, error)) return false;
    }
    return true;
  }

  bool WriteFrame(PlotScene& scene, bool animated, Int32 frame, std::string* error) {
    Doing doing("writing the outputs of frame " + std::to_string(frame));
    const std::string title = OutputTitle(scene);
    OutputContext context{title, o_.print, &notes_};
    for (const std::string& output : o_.outputs) {
      const OutputFormat& format = *FindOutputFormat(output);
      const std::string path = animated ? FramePath(output, frame) : output;
      if (format.staging == Staging::kEachFrame &&
          !format.stage(staged_, scene.Document(), path, context, error))
        return false;
    }
    for (const auto& page : pages_) {
      const auto glb = [&](const PieceSink& sink) {
        return WriteGlb(scene.Document(), title, nullptr, sink, error);
      };
      if (!page->AddFrame(glb, error)) return false;
    }
    return true;
  }

  // Ends the pages, stages the scene file and the dump file and puts everything in place; the
  // dump on standard output comes last, once every file is.
  bool Finish(PlotScene& scene, std::string* error) {
    Doing doing("writing the outputs");
    for (const auto& page : pages_)
      if (!page->Finish(error)) return false;
    if (!o_.save.empty() && !StageScene(staged_, scene.Document(), o_.save, error)) return false;
    if (!o_.dump.empty() && o_.dump != "-" &&
        !StageDumpFile(staged_, scene.Document(), o_.dump, error))
      return false;
    if (!staged_.Commit(error)) return false;
    for (const std::string& note : notes_) PrintNote(note);
    if (o_.dump == "-") {
      WriteDump(scene.Document(), [](std::string_view piece) {
        return static_cast<bool>(
            std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size())));
      });
    }
    return true;
  }

 private:
  const OutputOptions& o_;
  StagedOutputs staged_;
  std::vector<std::unique_ptr<HtmlPageWriter>> pages_;
  std::vector<std::string> notes_;  // told once every file is in place
};

// Which outputs the runner holds whole while it writes them, for the memory estimate.
HeldOutputs Held(const OutputOptions& o) {
  HeldOutputs held;
  for (const std::string& output : o.outputs) {
    const HeldOutputs& holds = FindOutputFormat(output)->holds;
    held.glb = held.glb || holds.glb;
    held.gltf = held.gltf || holds.gltf;
    held.printModel = held.printModel || holds.printModel;
  }
  return held;
}

}  // namespace

bool CheckOutputs(const OutputOptions& o, std::string* error) {
  for (const std::string& output : o.outputs) {
    if (!FindOutputFormat(output)) {
      *error = "unknown output type of " + output + " (use " + OutputEndings(true) + ")";
      return false;
    }
  }
  FrameRange range;
  return o.frames.empty() || ParseFrameRange(o.frames, &range, error);
}

bool WriteOutputs(const OutputOptions& o, PlotScene& scene, const ActionSession& session,
                  std::string* error) {
  if (!CheckOutputs(o, error)) return false;
  const bool animated = !o.frames.empty();
  FrameRange range{scene.Frame(), scene.Frame()};
  if (animated) ParseFrameRange(o.frames, &range, error);
  CommandOutputs outputs(o);
  if (!outputs.BeginPages(scene, error)) return false;
  const HeldOutputs held = Held(o);
  // Counted in 64 bits: the range may end at the last frame there is.
  for (Int64 done = 0; done < range.Count(); ++done) {
    const Int32 frame = static_cast<Int32>(range.first + done);
    if (animated) scene.SetFrame(frame);
    if (!EvaluateWithinBudget(scene, session, held, error)) return false;
    if (done == 0) {
      const long long nonFinite = CountNonFiniteSamples(scene.Plot());
      if (nonFinite > 0)
        PrintNote(std::to_string(nonFinite) + " samples are not finite numbers and are left out");
    }
    if (!outputs.WriteFrame(scene, animated, frame, error)) return false;
    PrintProgress(done + 1, range.Count());
  }
  return outputs.Finish(scene, error);
}

}  // namespace zvapp
