// Plug-in object types: the instance classes the host drives (NodeData, ObjectData), the helpers they
// are handed (HierarchyHelp, PriorityList, HandleInfo, Description) and plug-in registration.
#pragma once

#include <cstring>
#include <new>
#include <vector>

#include "c4d_baseobject.h"

class BaseBitmap;
class BaseDraw;
class BaseDrawHelp;
class BaseThread;
class AliasTrans;
class AtomArray;
class Description;
class HierarchyHelp;
class PriorityList;

// Declares the base class of a plug-in class as SUPER.
#define INSTANCEOF(Name, Super) \
 public:                        \
  using SUPER = Super;          \
                                \
 private:

// Creates an instance on cleared memory: every member is zero before the constructor runs.
template <typename T> T* NewObjClear() {
  void* mem = ::operator new(sizeof(T), std::nothrow);
  if (!mem) return nullptr;
  std::memset(mem, 0, sizeof(T));
  return new (mem) T();
}

class NodeData {
 public:
  virtual ~NodeData() = default;
  virtual Bool Init(GeListNode* node);
  virtual void Free(GeListNode* node);
  virtual Bool CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
                      AliasTrans* trn);
  virtual Bool Message(GeListNode* node, Int32 type, void* data);
  virtual Bool GetDDescription(GeListNode* node, Description* description, DESCFLAGS_DESC& flags);
  virtual Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& t_data,
                            DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc);
};

struct HandleInfo {
  Vector position;
  Vector direction;
  Int32 type = 0;
};

class ObjectData : public NodeData {
 public:
  virtual void GetDimension(BaseObject* op, Vector* mp, Vector* rad);
  virtual DRAWRESULT Draw(BaseObject* op, DRAWPASS drawpass, BaseDraw* bd, BaseDrawHelp* bh);
  virtual Bool AddToExecution(BaseObject* op, PriorityList* list);
  virtual EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                                  EXECUTIONFLAGS flags);
  virtual BaseObject* GetVirtualObjects(BaseObject* op, HierarchyHelp* hh);
  virtual void CheckDirty(BaseObject* op, BaseDocument* doc);
  virtual SplineObject* GetContour(BaseObject* op, BaseDocument* doc, Float lod, BaseThread* bt);
  virtual Int32 GetHandleCount(BaseObject* op);
  virtual void GetHandle(BaseObject* op, Int32 i, HandleInfo& info);
  virtual void SetHandle(BaseObject* op, Int32 i, Vector p, const HandleInfo& info);
};

// What a generator is handed when the host asks for its geometry.
class HierarchyHelp {
 public:
  BaseDocument* GetDocument() const { return doc_; }
  Float GetLOD() const { return lod_; }
  BaseThread* GetThread() const { return thread_; }

 private:
  friend struct zvhost::HostAccess;
  HierarchyHelp(BaseDocument* doc, Float lod, BaseThread* thread)
      : doc_(doc), lod_(lod), thread_(thread) {}
  BaseDocument* doc_;
  Float lod_;
  BaseThread* thread_;
};

// The execution steps of one scene evaluation.
class PriorityList {
 public:
  void Add(GeListNode* op, Int32 priority, EXECUTIONFLAGS flags);

 private:
  friend struct zvhost::HostAccess;
  struct Entry {
    GeListNode* node;
    Int32 priority;
    EXECUTIONFLAGS flags;
  };
  std::vector<Entry> entries_;
};

// A description entry as the module can change it: its settings container (DESC_HIDE and others).
class Description {
 public:
  Description();
  ~Description();
  Description(const Description&) = delete;
  Description& operator=(const Description&) = delete;
  // Loads the description registered for a node type; false when there is none.
  Bool LoadDescription(Int32 type);
  Bool LoadDescription(const String& name);
  // The settings of one entry, or nothing. Changes are kept with this description.
  BaseContainer* GetParameterI(const DescID& id, AtomArray* ar);
  // The single parameter the host asks about, or nothing when it asks for all of them.
  const DescID* GetSingleDescID() const { return single_.get(); }

 private:
  friend struct zvhost::HostAccess;
  struct Entry {
    Int32 id;
    BaseContainer settings;
  };
  std::vector<Entry> entries_;
  std::unique_ptr<DescID> single_;
  Bool loaded_ = false;
};

using DataAllocator = NodeData*();

// Registers an object plug-in. `icon` is copied. False when the id is taken or the data are invalid.
Bool RegisterObjectPlugin(Int32 id, const String& str, Int32 info, DataAllocator* g,
                          const String& description, BaseBitmap* icon, Int32 disklevel);
