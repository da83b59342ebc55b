// Documents and scene evaluation.
#include "c4d_basedocument.h"
#include "c4d_objectdata.h"
#include "host_generators.h"
#include "host_state.h"

namespace {
class RootNode : public GeListNode {
 public:
  RootNode() : GeListNode(0) {}
};

ObjectData* PluginData(BaseObject* op, Int32 flag) {
  const zvhost::ObjectPluginInfo* info = zvhost::FindObjectPlugin(op->GetType());
  if (!info || !(info->info & flag) || !op->GetNodeData()) return nullptr;
  return static_cast<ObjectData*>(op->GetNodeData());
}
}  // namespace

BaseDocument::BaseDocument() : BaseList2D(0), root_(new RootNode()) { root_->document_ = this; }

BaseDocument* BaseDocument::Alloc() { return new (std::nothrow) BaseDocument(); }

void BaseDocument::Free(BaseDocument*& doc) {
  delete doc;
  doc = nullptr;
}

BaseDocument::~BaseDocument() { delete root_; }

void BaseDocument::InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred) {
  if (!op) return;
  if (pred && pred->GeListNode::GetUp() == (parent ? static_cast<GeListNode*>(parent) : root_)) {
    op->InsertAfter(pred);
  } else if (parent) {
    op->InsertUnder(parent);
  } else {
    op->InsertUnder(root_);
  }
}

BaseTime BaseDocument::GetTime() const {
  return GetDataInstanceRef().GetTime(DOCUMENT_TIME, BaseTime(0, 1));
}
void BaseDocument::SetTime(const BaseTime& t) { GetDataInstanceRef().SetTime(DOCUMENT_TIME, t); }
Int32 BaseDocument::GetFps() const { return GetDataInstanceRef().GetInt32(DOCUMENT_FPS); }
void BaseDocument::SetFps(Int32 fps) { GetDataInstanceRef().SetInt32(DOCUMENT_FPS, fps); }
BaseTime BaseDocument::GetMinTime() const {
  return GetDataInstanceRef().GetTime(DOCUMENT_MINTIME, BaseTime(0, 1));
}
void BaseDocument::SetMinTime(const BaseTime& t) {
  GetDataInstanceRef().SetTime(DOCUMENT_MINTIME, t);
}

void BaseDocument::CollectExecution(BaseObject* op, PriorityList& list) {
  for (; op; op = op->GetNext()) {
    if (ObjectData* data = PluginData(op, OBJECT_CALL_ADDEXECUTION)) data->AddToExecution(op, &list);
    CollectExecution(op->GetDown(), list);
  }
}

// Builds one object's cache. A generator that hands back its previous cache keeps it; a disabled
// generator has none. Afterwards the object is no longer dirty for DATA.
void BaseDocument::BuildCache(BaseObject* op, HierarchyHelp& hh) {
  BaseObject* result = nullptr;
  bool generator = false;
  if (ObjectData* data = PluginData(op, OBJECT_GENERATOR)) {
    generator = true;
    if (op->GetDeformMode()) {
      const zvhost::ObjectPluginInfo* info = zvhost::FindObjectPlugin(op->GetType());
      if (info->info & OBJECT_ISSPLINE) {
        data->CheckDirty(op, this);
        result = (!op->cache_ || op->IsDirty(DIRTYFLAGS::DATA))
                     ? data->GetContour(op, this, hh.GetLOD(), hh.GetThread())
                     : op->cache_;
      } else {
        result = data->GetVirtualObjects(op, &hh);
      }
    }
  } else if (op->GetDeformMode()) {
    generator = zvhost::BuildHostGenerator(op, &hh, &result);
  }
  if (!generator) return;
  if (result != op->cache_) {
    delete op->cache_;
    op->cache_ = result;
    if (result) {
      ++op->cacheBuilds_;
      ++stats_.builds;
    }
  } else if (result) {
    ++op->cacheReuses_;
  }
  op->cacheStamp_ = op->GetDirty(DIRTYFLAGS::DATA);
}

void BaseDocument::BuildCaches(BaseObject* op, HierarchyHelp& hh) {
  for (; op; op = op->GetNext()) {
    BuildCache(op, hh);
    BuildCaches(op->GetDown(), hh);
  }
}

Bool BaseDocument::ExecutePasses(BaseThread* bt, Bool, Bool expressions, Bool caches) {
  ++stats_.evaluations;
  struct Evaluating {
    Evaluating() { ++zvhost::State().evaluationDepth; }
    ~Evaluating() { --zvhost::State().evaluationDepth; }
  } evaluating;
  if (expressions) {
    PriorityList list;
    CollectExecution(GetFirstObject(), list);
    list.Sort();
    for (const PriorityList::Entry& e : list.GetEntries()) {
      auto* op = static_cast<BaseObject*>(e.node);
      ++op->executions_;
      static_cast<ObjectData*>(op->GetNodeData())->Execute(op, this, bt, e.priority, e.flags);
    }
  }
  if (caches) {
    HierarchyHelp hh(this, 1.0, bt);
    BuildCaches(GetFirstObject(), hh);
  }
  return true;
}
