// Generators that belong to the host itself (text and extrude objects): their caches are built by
// the host during scene evaluation.
#pragma once

#include "c4d_objectdata.h"
#include "text_outline.h"

namespace zvhost {
// True when `op` is a host generator; then *cache receives its new geometry (or nothing).
bool BuildHostGenerator(BaseObject* op, HierarchyHelp* hh, BaseObject** cache);
// The outline of a text object's text, laid out from its parameters in its chosen font (the host's
// default font when it has none or the chosen one cannot be opened). False: no font at all.
bool LayoutTextObject(const BaseObject* op, TextOutline* out);
}  // namespace zvhost
