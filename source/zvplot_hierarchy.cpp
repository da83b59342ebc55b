#include "zvplot_hierarchy.h"

#include "zvplot_ids.h"

BaseObject* FindParentPlot(BaseObject* op) {
  for (BaseObject* up = op ? op->GetUp() : nullptr; up; up = up->GetUp())
    if (up->GetType() == ID_ZVPLOT) return up;
  return nullptr;
}

BaseObject* NextInHierarchy(BaseObject* op, BaseObject* root) {
  if (!op) return nullptr;
  if (op->GetDown()) return op->GetDown();
  for (BaseObject* cur = op; cur && cur != root; cur = cur->GetUp())
    if (cur->GetNext()) return cur->GetNext();
  return nullptr;
}

BaseObject* FindChildOfType(BaseObject* op, Int32 type) {
  for (BaseObject* cur = op ? op->GetDown() : nullptr; cur; cur = NextInHierarchy(cur, op))
    if (cur->GetType() == type) return cur;
  return nullptr;
}

BaseObject* FindObjectByName(BaseObject* op, const String& name) {
  for (BaseObject* cur = op; cur; cur = NextInHierarchy(cur, op))
    if (cur->GetName() == name) return cur;
  return nullptr;
}
