// The stand-in host application's own services, used by the runner and the tests (not by the
// module): module loading, registered plug-ins, user actions on parameters, and the host's state
// and log.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "c4d.h"
#include "host_records.h"

class BaseBitmap;

namespace zvhost {

// Loads the plug-ins of a plug-in folder the way the host does: every loadable library (.so) in it
// with the SDK's entry point c4d_main, each with the SDK initialisation (refused below its minimum
// interface version), the system-init message, then the start. False with a message when no
// library of the folder can be loaded and started.
Bool LoadModule(const std::string& pluginFolder, std::string* error);
// Ends the loaded plug-ins (c4d_main end call, last started first) and unloads them. Objects of
// their types must be gone.
void UnloadModule();
Bool IsModuleLoaded();
void SetAPIVersion(Int32 version);

struct ObjectPluginInfo {
  Int32 id = 0;
  String name;
  Int32 info = 0;
  DataAllocator* allocator = nullptr;
  String description;
  BaseBitmap* icon = nullptr;  // owned copy, or nothing
};
const ObjectPluginInfo* FindObjectPlugin(Int32 id);

// One parameter of a description, as the host shows it to the user.
struct ParameterInfo {
  Int32 id = 0;
  std::string symbol;  // the identifier's name, MYPLUGIN_SIZE
  std::string type;    // LONG, REAL, BOOL, VECTOR, COLOR, STRING, GRADIENT, FONT, BUTTON, GROUP
  std::string label;
  bool hasMin = false, hasMax = false, hasStep = false;
  double min = 0.0, max = 0.0, step = 0.0;
  std::vector<std::pair<Int32, std::string>> cycle;
  std::vector<std::string> cycleSymbols;  // each choice's identifier, as the cycle orders them
  Int32 group = 0;                        // the enclosing group's id (0 at the top)
};
// One group of a description: the attribute manager's tabs and sections.
struct GroupInfo {
  Int32 id = 0;
  std::string symbol;  // MYPLUGIN_GROUP_SHAPE
  std::string label;
  Int32 parent = 0;  // the enclosing group's id (0 at the top)
};
// A registered object type by the symbol its description's identifier list gives it (the
// description's container, "Omyplugin"); nothing when no registered type has it.
std::optional<Int32> FindObjectType(const std::string& symbol);
// The value of an identifier of a registered type's description (a parameter, a group or a choice,
// "MYPLUGIN_MODE_FAST"); nothing when its description does not define it.
std::optional<Int32> FindDescriptionIdentifier(Int32 type, const std::string& symbol);

// The parameters of a registered type's description, in description order (groups left out).
std::vector<ParameterInfo> ListParameters(Int32 type);
// The groups of a registered type's description, in description order.
std::vector<GroupInfo> ListGroups(Int32 type);
std::optional<ParameterInfo> FindParameter(Int32 type, Int32 id);
std::optional<ParameterInfo> FindParameter(Int32 type, const std::string& symbol);

// User actions. A value is checked against the description (type, minimum, maximum, choices) and
// refused with a message naming the problem; an accepted value is stored, raises the object's dirty
// count and sends message 17. A button press sends message 18. Switching the enabled state sends
// message 200000125.
Bool SetUserParameter(BaseList2D* node, Int32 id, const GeData& value, std::string* error);
// The same check without storing anything or sending a message (a scene file being read is no
// user edit). False with the message when the type has no such parameter or the value does not fit.
Bool CheckParameterValue(Int32 type, Int32 id, const GeData& value, std::string* error);
Bool PressButton(BaseList2D* node, Int32 id, std::string* error);
void SetEnabled(BaseObject* op, Bool on);
// The answer of the object's enabling query for one parameter.
Bool IsParameterEnabled(BaseObject* op, Int32 id);
// The description of the object as its plug-in presents it (GetDDescription).
Bool GetObjectDescription(BaseObject* op, Description* desc, const DescID* single = nullptr);

// The object's handles as its plug-in reports them (GetHandle), in the object's own frame.
std::vector<HandleInfo> GetObjectHandles(BaseObject* op);
// A user's drag of handle `index` to the point `local` (in the object's frame): the plug-in's
// GetHandle then SetHandle, so its own limits apply, then for each parameter the drag changed what
// a user's edit of it sends (the dirty count raised, message 17 with its id). False with a message
// when the object has no such handle.
Bool MoveUserHandle(BaseObject* op, Int32 index, const Vector& local, std::string* error);

// Whether a tag was put on its object by scene evaluation (a generator's derived data, such as a
// copy of its cache's vertex colours): rebuilt at every evaluation, so not part of a saved scene.
Bool IsEvaluationOutput(const BaseTag* tag);

// What the object draws into a view in one pass, placed at its global matrix: each call as the view
// records it, handed to `take` in order and kept nowhere else (the runner writes a plot's viewport
// markers into its files this way; a kept record of a million markers would cost hundreds of
// megabytes). Nothing for an object that no plug-in drives.
void DrawObject(BaseObject* op, DRAWPASS pass, const std::function<void(const DrawRecord&)>& take);

// Host state the module queries.
void SetRunning(CHECKISRUNNING type, Bool on);
void SetQuestionAnswer(Bool answer);       // the answer to every yes/no question (default: no)
void SetPerformExecuteFile(Bool perform);  // open files for real (default: only record)
// The number of workers of the host's parallel loops; 0 restores the default (ZV_THREADS, else
// one per processor).
void SetThreadCount(Int32 workers);

// The engine of the host's parallel loops. One job: the indices [from, to) and the worker running
// them, from 0 to GeGetCurrentThreadCount() - 1. A worker runs one range at a time, so whatever a
// job keeps per worker needs no lock.
using ParallelForJob = void (*)(void* data, Int64 from, Int64 to, Int32 worker);
// Runs the job over [from, to) in ranges of `granularity` indices (the last one shorter) on the
// host's workers, the calling thread among them, and returns when every range has run. Which worker
// runs which range is not fixed. A loop started from inside a job runs on the calling worker alone.
void ParallelForRanges(Int64 from, Int64 to, Int64 granularity, ParallelForJob job, void* data);
// The same with any callable taking (from, to, worker).
template <typename Fn>
void ParallelFor(Int64 from, Int64 to, Int64 granularity, Fn&& fn) {
  using Callable = std::remove_reference_t<Fn>;
  ParallelForRanges(
      from, to, granularity,
      [](void* data, Int64 a, Int64 b, Int32 worker) {
        (*static_cast<Callable*>(data))(a, b, worker);
      },
      const_cast<void*>(static_cast<const void*>(&fn)));
}

// What the module asked of the user and the desktop, in order.
struct HostLog {
  std::vector<std::string> questions;
  std::vector<std::string> executedFiles;
  // What the host declined to do, and why (a text object's text too long to lay out); each
  // distinct note once.
  std::vector<std::string> notes;
};
HostLog& GetHostLog();

// Where a formula fails to parse: message and 1-based column (ok when it parsed).
struct ConversionDiagnostic {
  bool ok = true;
  std::string message;
  int column = 0;
};
// Parses a formula with each standalone letter of `variables` (one that neither follows nor
// precedes a lower-case letter or digit) given a value, to report the first error a user would see
// (the runner checks a formula before sampling, with the variables the module publishes).
ConversionDiagnostic CheckExpression(const std::string& text, std::string_view variables);

}  // namespace zvhost
