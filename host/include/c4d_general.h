// General host services: the interface version, the text-to-number conversion, events, threads,
// running state, modelling commands and view colours.
#pragma once

#include "c4d_gedata.h"
#include "operatingsystem.h"

// The host's plug-in interface version (e.g. 2024000).
Int32 GetC4DVersion();

enum class LENGTHUNIT : Int32;
// Converts a text to a number in the given format (FORMAT_FLOAT evaluates an arithmetic
// expression). A text that does not parse gives 0.
GeData StringToNumber(const maxon::String& text, Int32 format, Int32 fps,
                      const LENGTHUNIT* lengthunit = nullptr);

// Requests a scene update (redraw) from the host.
void EventAdd(EVENT eventflag = EVENT::NONE);
// Halts the host's running background work before the scene is changed.
void StopAllThreads();
// Whether the host is doing what `type` names (an editor or external render, for example).
Bool CheckIsRunning(CHECKISRUNNING type);

Bool SendModelingCommand(Int32 command, ModelingCommandData& data);

// The colour the view uses for one of its elements (active point, highlighted handle).
Vector GetViewColor(Int32 colid, Vector* defaultColor = nullptr);
