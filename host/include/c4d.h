// The host's plug-in interface.
#pragma once

#include "c4d_basedocument.h"
#include "c4d_basedraw.h"
#include "c4d_baseobject.h"
#include "c4d_basetypes.h"
#include "c4d_bitmap.h"
#include "c4d_customdata.h"
#include "c4d_gedata.h"
#include "c4d_general.h"
#include "c4d_ids.h"
#include "c4d_objectdata.h"
#include "c4d_string.h"
#include "c4d_thread.h"

// Entry points the module provides (called by the SDK's entry code).
Bool PluginStart();
void PluginEnd();
Bool PluginMessage(Int32 id, void* data);
