// The scene the runner works on: a document with one plot object, the module's component kinds,
// and the user's actions on parameters written as text (OBJ.NAME=VALUE).
#pragma once

#include <string>
#include <vector>

#include "c4d.h"
#include "host_app.h"
#include "plot_kinds.h"

namespace zvapp {

// The plot and everything the runner does to the scene. Every action returns false with a message
// that names the problem.
class PlotScene {
 public:
  PlotScene();
  ~PlotScene();
  PlotScene(const PlotScene&) = delete;
  PlotScene& operator=(const PlotScene&) = delete;

  BaseDocument* Document() const { return doc_; }
  BaseObject* Plot() const;
  // The first object of the kind below the plot (the plot for "plot"), or nothing.
  BaseObject* Find(const std::string& kind) const;

  bool Add(const std::string& kind, std::string* error);
  // "plot.resolution=80", "mesh.O3DPLOTMESH_MODE=markers", "labels.color=1,0.5,0".
  bool Set(const std::string& assignment, std::string* error);
  bool SetValue(BaseObject* op, const std::string& name, const std::string& text,
                std::string* error);
  // "plot.reset", "labels.update".
  bool Press(const std::string& button, std::string* error);
  void SetFrame(Int32 frame, Int32 fps);
  void Evaluate();

  // Replaces the scene's document (a loaded scene file); takes ownership.
  void Adopt(BaseDocument* doc);

 private:
  BaseDocument* doc_;
};

// The parameter of a type named by its symbol (O3DPLOT_RESOLUTION) or its short name
// (resolution: the symbol without the type's prefix, any case).
std::optional<zvhost::ParameterInfo> ResolveParameter(Int32 type, const std::string& name);
// The value a text gives for a parameter of that description type; false with a message.
bool ParseValue(const zvhost::ParameterInfo& p, const std::string& text, GeData* out,
                std::string* error);

}  // namespace zvapp
