// The scene the runner works on: a document with one plot object, the module's component kinds,
// and the user's edits of parameters written as text (OBJECT.NAME and VALUE).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "c4d.h"
#include "host_app.h"
#include "plot_kinds.h"

namespace zvapp {

// The plot and everything a user does to the scene. Every edit returns false with a message that
// names the problem (and the nearest names when a name is mistyped), and then changes nothing.
class PlotScene {
 public:
  // The plot alone, as the host creates it, in a document at frame 0 of 30 per second.
  PlotScene();
  ~PlotScene();
  PlotScene(const PlotScene&) = delete;
  PlotScene& operator=(const PlotScene&) = delete;

  BaseDocument* Document() const { return doc_; }
  BaseObject* Plot() const;
  // The object a path names, or nothing: a kind names the first object of the kind below the plot
  // (the plot for "plot"), "KIND:N" the Nth (from 1) in document order.
  BaseObject* Find(const std::string& kind) const;
  // The plot and every object of the module's kinds below it, in document order, each with the
  // path that names it ("plot", "mesh", "mesh:2").
  std::vector<std::pair<std::string, BaseObject*>> Objects() const;
  // The same, or false with a message: an unknown kind, or a component the scene does not have.
  bool FindObject(const std::string& kind, BaseObject** op, std::string* error) const;

  // The plot's add-component command (which asks before adding a second of a kind); a second
  // gets a name of its own as the host names copies ("Plot Surface.1").
  bool Add(const std::string& kind, std::string* error);
  // The object and parameter of "[OBJECT.]NAME" (the plot's without OBJECT).
  bool Resolve(const std::string& target, BaseObject** op, zvhost::ParameterInfo* p,
               std::string* error) const;
  // Sets "[OBJECT.]NAME" to the value a text gives, as a user does.
  bool Set(const std::string& target, const std::string& value, std::string* error);
  // The same written as one text: "plot.resolution=80", "mesh.mode=markers", "color=1,0.5,0".
  bool Set(const std::string& assignment, std::string* error);
  // "plot.reset", "labels.update" (OBJECT. may be left out for the plot's buttons).
  bool Press(const std::string& button, std::string* error);
  // Switches the object of the kind ("" for the plot) on or off.
  bool Enable(const std::string& kind, bool on, std::string* error);

  // The document's frame, the frame its range ends at, and its frame rate. A new frame keeps the
  // rate; a new rate keeps the frame and the end frame.
  Int32 Frame() const;
  Int32 EndFrame() const;
  Int32 StartFrame() const;
  Int32 Fps() const;
  void SetFrame(Int32 frame);
  void SetEndFrame(Int32 frame);
  void SetFps(Int32 fps);
  void Evaluate();

  // Replaces the scene's document (a loaded scene file); takes ownership.
  void Adopt(BaseDocument* doc);
  // The same, handing back the document it replaced (with its caches) to the caller.
  [[nodiscard]] BaseDocument* Exchange(BaseDocument* doc);

 private:
  // The objects of a type below the plot, in document order.
  std::vector<BaseObject*> Below(Int32 type) const;

  BaseDocument* doc_;
};

// The outputs whose data the caller holds whole while the scene is evaluated and written.
struct HeldOutputs {
  bool glb = false;         // .glb, and each frame of a page
  bool gltf = false;        // .gltf: the JSON with the buffer as base64 text
  bool printModel = false;  // .3mf, .obj: the triangles and their colours, per part
  Int64 kept = 0;  // bytes kept beside them all along (the studio's geometry and undo history)
};

// What the actions a user applies change beside the document.
struct ActionSession {
  bool render = false;             // evaluations run as an external render from a render action on
  std::vector<std::string> notes;  // what loading a scene file had to change (fonts replaced)
  HeldOutputs held;  // what the caller holds while an eval action evaluates; no snapshot's
};

// One scene evaluation, as an external render when the session says so.
void EvaluateScene(PlotScene& scene, const ActionSession& session);

// The document and the action session as they are now, to go back to: the document as the text of
// its scene file, written at time 0 so that two snapshots of the same document at different times
// read the same, and the time beside it.
struct Snapshot {
  std::string scene;
  BaseTime time;
  ActionSession session;
  // The same document and session, whatever the time.
  bool SameEdits(const Snapshot& other) const {
    return scene == other.scene && session.render == other.session.render;
  }
};
// False with a message when the document cannot be written as a scene file.
bool TakeSnapshot(const PlotScene& scene, const ActionSession& session, Snapshot* out,
                  std::string* error);
// Puts the snapshot's document (at its time) in place of the scene's (caches are rebuilt by the
// next evaluation) and its session in place of *session, whose held outputs stay; false with a
// message, and nothing changed, when it does not read back.
bool RestoreSnapshot(const Snapshot& snapshot, PlotScene& scene, ActionSession* session,
                     std::string* error);

// A scene file read as LoadScene (LoadSceneFromText) reads it, into a new document that the caller
// owns and may put in place of the scene's (Adopt): every plot's formula in it has passed the check
// a typed one passes (CheckFormulaText). Nothing, with a message, otherwise.
BaseDocument* LoadPlotScene(const std::string& path, std::string* error,
                            std::vector<std::string>* notes);
BaseDocument* LoadPlotSceneFromText(const std::string& text, std::string* error,
                                    std::vector<std::string>* notes);

// The title the outputs carry: "y = FORMULA".
std::string OutputTitle(const PlotScene& scene);

// A parameter's short name: its symbol without the type's prefix, in lower case (resolution).
std::string ShortName(const std::string& symbol);
// The parameter of a type named by its symbol (O3DPLOT_RESOLUTION), its short name (resolution:
// the symbol without the type's prefix, any case) or its number.
std::optional<zvhost::ParameterInfo> ResolveParameter(Int32 type, const std::string& name);
// The short names of a type's parameters (of its buttons only, or of everything but buttons).
std::vector<std::string> ShortParameterNames(Int32 type, bool buttons);

}  // namespace zvapp
