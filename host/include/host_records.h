// What the stand-in host counted and recorded while it worked, for the runner's reports and the
// tests: scene evaluations and cache builds, each object's builds, reuses and execution steps, and
// every call a view was asked to draw. None of it is part of the plug-in interface.
#pragma once

#include <vector>

#include "c4d_basedocument.h"
#include "c4d_basedraw.h"

namespace zvhost {

// Evaluations of a document and the cache builds in all of them (a cached result handed back again
// is not a build).
struct BuildStats {
  Int64 evaluations = 0;
  Int64 builds = 0;
};
BuildStats GetBuildStats(const BaseDocument& doc);

// How often the host built the object's cache anew, handed its previous cache back instead, and
// ran the object's execution step.
Int64 GetCacheBuildCount(const BaseObject& op);
Int64 GetCacheReuseCount(const BaseObject& op);
Int64 GetExecutionCount(const BaseObject& op);

// One call a view was asked to draw.
struct DrawRecord {
  enum class Kind { MATRIX, PEN, POINTSIZE, HANDLE, SPHERE, LINE } kind;
  Vector a, b, color;
  Float size = 0.0;
  Int32 type = 0;
  Int32 flags = 0;
};
// The calls the view was asked to draw, in order.
const std::vector<DrawRecord>& GetDrawRecords(const BaseDraw& bd);
// Makes the view report `handle` as the handle under the cursor (-1: none), as pointing at it
// would.
void SetHighlightedHandle(BaseDraw& bd, Int32 handle);

}  // namespace zvhost
