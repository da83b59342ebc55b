// General host services: resources and files, the text-to-number conversion, dialogs, events,
// threads, running state, primitives and modelling.
#pragma once

#include "c4d_baseobject.h"

class BaseThread;
class BaseContainer;

// The host's plug-in interface version (e.g. 2023000).
Int32 GetC4DVersion();

// The folder of the module being served.
Filename GeGetPluginPath();
Bool GeFExist(const Filename& name, Bool isdir = false);
// A text of the module's string table; empty when the module's resource is not initialised.
String GeLoadString(Int32 id);

// The module's resource: strings and descriptions read from its "res" folder.
class GeResource {
 public:
  Bool Init();
};
extern GeResource g_resource;

enum class LENGTHUNIT : Int32;
// Converts a text to a number in the given format (FORMAT_FLOAT evaluates an arithmetic expression).
// A text that does not parse gives 0.
GeData StringToNumber(const String& text, Int32 format, Int32 fps, const LENGTHUNIT* unit = nullptr);

// Asks the user a yes/no question.
Bool QuestionDialog(const String& text);
// Opens a file with the system's default application.
Bool GeExecuteFile(const Filename& path);
// Requests a scene update (redraw) from the host.
void EventAdd(EVENT flags);
// Halts the host's running background work before the scene is changed.
void StopAllThreads(STOPTHREADS flags = STOPTHREADS::ALL);
// Whether the host is doing what `type` names (an editor or external render, for example).
Bool CheckIsRunning(CHECKISRUNNING type);

// Generates a host primitive (cube, sphere, platonic, pyramid) as a polygon object.
BaseObject* GeneratePrimitive(BaseDocument* doc, Int32 type, const BaseContainer& bc, Float lod,
                              Bool isoparm, BaseThread* bt);

struct ModelingCommandData {
  BaseDocument* doc = nullptr;
  BaseObject* op = nullptr;
  BaseContainer* bc = nullptr;
  MODELINGCOMMANDMODE mode = MODELINGCOMMANDMODE::ALL;
  MODELINGCOMMANDFLAGS flags = MODELINGCOMMANDFLAGS::NONE;
};
Bool SendModelingCommand(Int32 command, ModelingCommandData& data);
