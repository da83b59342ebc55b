// The host's primitive objects (cube, sphere, platonic, pyramid), generated as polygon objects by
// GeneratePrimitive.
#pragma once

#include "c4d.h"

namespace zvhost {

// The settings a new primitive of the type starts with; a setting missing from the container a
// primitive is generated from reads as this. Nothing for a type that is no primitive.
void WritePrimitiveDefaults(Int32 type, BaseContainer* bc);

}  // namespace zvhost
