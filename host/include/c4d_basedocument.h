// Documents: the scene's top objects, its time settings and scene evaluation.
#pragma once

#include "c4d_baseobject.h"

class BaseThread;
class HierarchyHelp;
class PriorityList;

class BaseDocument : public BaseList2D {
 public:
  static BaseDocument* Alloc();
  static void Free(BaseDocument*& doc);
  ~BaseDocument() override;

  // Inserts `op` under `parent` (at the top level when null) after `pred` (first when null).
  void InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred);
  BaseObject* GetFirstObject() const { return static_cast<BaseObject*>(root_->GetDown()); }

  // Time (parameter 1000), frame rate (1001) and start time (1002).
  BaseTime GetTime() const;
  void SetTime(const BaseTime& t);
  Int32 GetFps() const;
  void SetFps(Int32 fps);
  BaseTime GetMinTime() const;
  void SetMinTime(const BaseTime& t);

  // Evaluates the scene: execution steps in priority order, then the generators' caches in
  // document order.
  Bool ExecutePasses(BaseThread* bt, Bool animation, Bool expressions, Bool caches);

  // Counters the runner reports: evaluations of this document and cache builds in all of them
  // (a cached result handed back again is not a build).
  struct BuildStats {
    Int64 evaluations = 0;
    Int64 builds = 0;
  };
  const BuildStats& GetBuildStats() const { return stats_; }

 private:
  BaseDocument();
  void CollectExecution(BaseObject* op, PriorityList& list);
  void BuildCaches(BaseObject* op, HierarchyHelp& hh);
  void BuildCache(BaseObject* op, HierarchyHelp& hh);
  GeListNode* root_;  // owned holder of the top objects
  BuildStats stats_;
};
