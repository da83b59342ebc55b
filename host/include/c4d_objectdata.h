// Object plug-ins: the instance class the host drives, the helpers it is handed (PriorityList,
// HandleInfo) and plug-in registration.
#pragma once

#include <vector>

#include "c4d_basedocument.h"
#include "c4d_baseplugin.h"
#include "c4d_nodedata.h"

class BaseBitmap;
class BaseDocument;
class BaseDraw;
class BaseDrawHelp;
class BaseThread;

struct HandleInfo {
  Vector position;
  Vector direction;
  Int32 type = 0;
};

class ObjectData : public NodeData {
 public:
  virtual void GetDimension(const BaseObject* op, Vector* mp, Vector* rad) const;
  virtual DRAWRESULT Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh);
  virtual Bool AddToExecution(BaseObject* op, PriorityList* list);
  virtual EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                                  EXECUTIONFLAGS flags);
  virtual BaseObject* GetVirtualObjects(BaseObject* op, const HierarchyHelp* hh);
  virtual void CheckDirty(BaseObject* op, const BaseDocument* doc);
  virtual SplineObject* GetContour(BaseObject* op, BaseDocument* doc, Float lod, BaseThread* bt);
  virtual Int32 GetHandleCount(const BaseObject* op) const;
  virtual void GetHandle(BaseObject* op, Int32 i, HandleInfo& info);
  virtual void SetHandle(BaseObject* op, Int32 i, Vector p, const HandleInfo& info);
};

// Registers an object plug-in. `icon` is copied. False when the id is taken or the data are
// invalid.
Bool RegisterObjectPlugin(Int32 id, const maxon::String& str, Int32 info, DataAllocator* g,
                          const maxon::String& description, BaseBitmap* icon, Int32 disklevel);
