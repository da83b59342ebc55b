// The hierarchy functions every component uses to find its plot and its siblings.
#pragma once

#include "zvplot_sdk.h"

// The nearest ancestor of `op` that is a plot (the object itself is not tested).
BaseObject* FindParentPlot(BaseObject* op);
// The first descendant of `op` of the type, in depth-first pre-order, inside op's subtree only.
BaseObject* FindChildOfType(BaseObject* op, Int32 type);
// `op` itself or the first of its descendants whose name equals `name`.
BaseObject* FindObjectByName(BaseObject* op, const String& name);
// The next object after `op` in depth-first pre-order, never leaving the subtree of `root`.
BaseObject* NextInHierarchy(BaseObject* op, BaseObject* root);
