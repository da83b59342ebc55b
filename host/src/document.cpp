// Documents and scene evaluation.
#include <algorithm>

#include "c4d_basedocument.h"
#include "c4d_objectdata.h"
#include "host_generators.h"
#include "host_state.h"

using zvhost::HostAccess;

namespace {
class RootNode : public GeListNode {
 public:
  RootNode() : GeListNode(0) {}
};

ObjectData* PluginData(BaseObject* op, Int32 flag) {
  const zvhost::ObjectPluginInfo* info = zvhost::FindObjectPlugin(op->GetType());
  if (!info || !(info->info & flag)) return nullptr;
  return op->GetNodeData<ObjectData>();
}
}  // namespace

BaseDocument::BaseDocument() : BaseList2D(0), root_(new RootNode()) {
  HostAccess::MakeDocumentRoot(*root_, this);
}

BaseDocument* BaseDocument::Alloc() { return new (std::nothrow) BaseDocument(); }

void BaseDocument::Free(BaseDocument*& doc) {
  delete doc;
  doc = nullptr;
}

BaseDocument::~BaseDocument() { delete root_; }

void BaseDocument::InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred, Bool, Bool) {
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
BaseTime BaseDocument::GetMaxTime() const {
  constexpr Float kDefaultEndFrame = 90.0;
  const Int32 fps = GetFps();
  return GetDataInstanceRef().GetTime(DOCUMENT_MAXTIME,
                                      BaseTime(kDefaultEndFrame, fps > 0 ? Float(fps) : 30.0));
}
void BaseDocument::SetMaxTime(const BaseTime& t) {
  GetDataInstanceRef().SetTime(DOCUMENT_MAXTIME, t);
}

namespace {

void CollectExecution(BaseObject* op, PriorityList& list) {
  for (; op; op = op->GetNext()) {
    if (ObjectData* data = PluginData(op, OBJECT_CALL_ADDEXECUTION))
      data->AddToExecution(op, &list);
    CollectExecution(op->GetDown(), list);
  }
}

// The steps run in ascending priority; steps of equal priority keep the order in which they were
// added, which is document order.
void RunExecution(BaseDocument* doc, BaseObject* first, BaseThread* bt) {
  PriorityList list;
  CollectExecution(first, list);
  auto& steps = HostAccess::Entries(list);
  std::stable_sort(steps.begin(), steps.end(),
                   [](const auto& a, const auto& b) { return a.priority < b.priority; });
  for (const auto& step : steps) {
    auto* op = static_cast<BaseObject*>(step.node);
    HostAccess::CountExecution(*op);
    op->GetNodeData<ObjectData>()->Execute(op, doc, bt, step.priority, step.flags);
  }
}

// Builds one object's cache. A generator that hands back its previous cache keeps it; a disabled
// generator has none.
void BuildCache(BaseDocument* doc, BaseObject* op, HierarchyHelp& hh) {
  BaseObject* result = nullptr;
  bool generator = false;
  if (ObjectData* data = PluginData(op, OBJECT_GENERATOR)) {
    generator = true;
    if (op->GetDeformMode()) {
      const zvhost::ObjectPluginInfo* info = zvhost::FindObjectPlugin(op->GetType());
      if (info->info & OBJECT_ISSPLINE) {
        data->CheckDirty(op, doc);
        result = (!op->GetCache() || op->IsDirty(DIRTYFLAGS::DATA))
                     ? data->GetContour(op, doc, hh.GetLOD(), hh.GetThread())
                     : op->GetCache();
      } else {
        result = data->GetVirtualObjects(op, &hh);
      }
    }
  } else if (op->GetDeformMode()) {
    generator = zvhost::BuildHostGenerator(op, &hh, &result);
  }
  if (generator) HostAccess::StoreCache(*doc, *op, result);
}

void BuildCaches(BaseDocument* doc, BaseObject* op, HierarchyHelp& hh) {
  for (; op; op = op->GetNext()) {
    BuildCache(doc, op, hh);
    BuildCaches(doc, op->GetDown(), hh);
  }
}

}  // namespace

Bool BaseDocument::ExecutePasses(BaseThread* bt, Bool, Bool expressions, Bool caches, BUILDFLAGS) {
  HostAccess::CountEvaluation(*this);
  struct Evaluating {
    Evaluating() { ++zvhost::State().evaluationDepth; }
    ~Evaluating() { --zvhost::State().evaluationDepth; }
  } evaluating;
  if (expressions) RunExecution(this, GetFirstObject(), bt);
  if (caches) {
    HierarchyHelp hh = HostAccess::MakeHierarchyHelp(1.0, bt);
    BuildCaches(this, GetFirstObject(), hh);
  }
  return true;
}

namespace zvhost {

void HostAccess::StoreCache(BaseDocument& doc, BaseObject& op, BaseObject* result) {
  if (result != op.cache_) {
    delete op.cache_;
    op.cache_ = result;
    if (result) {
      ++op.cacheBuilds_;
      ++doc.builds_;
    }
  } else if (result) {
    ++op.cacheReuses_;
  }
  op.cacheStamp_ = op.GetDirty(DIRTYFLAGS::DATA);
}

BuildStats GetBuildStats(const BaseDocument& doc) { return HostAccess::GetBuildStats(doc); }
Int64 GetCacheBuildCount(const BaseObject& op) { return HostAccess::CacheBuilds(op); }
Int64 GetCacheReuseCount(const BaseObject& op) { return HostAccess::CacheReuses(op); }
Int64 GetExecutionCount(const BaseObject& op) { return HostAccess::Executions(op); }

}  // namespace zvhost
