// Documents: the scene's top objects, its time settings and scene evaluation.
#pragma once

#include "c4d_baseobject.h"
#include "description/ddoc.h"

class BaseThread;

// The execution steps of one scene evaluation.
class PriorityList {
 public:
  void Add(BaseList2D* node, Int32 priority, EXECUTIONFLAGS flags);

 private:
  friend struct zvhost::HostAccess;
  struct Entry {
    BaseList2D* node;
    Int32 priority;
    EXECUTIONFLAGS flags;
  };
  std::vector<Entry> entries_;
};

class BaseDocument : public BaseList2D {
 public:
  static BaseDocument* Alloc();
  static void Free(BaseDocument*& bl);
  ~BaseDocument() override;

  // Inserts `op` under `parent` (at the top level when null) after `pred` (first when null).
  void InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred, Bool checknames = false,
                    Bool sendNotification = true);
  BaseObject* GetFirstObject() const { return static_cast<BaseObject*>(root_->GetDown()); }

  // Time, frame rate, start and end time: the document parameters DOCUMENT_TIME, DOCUMENT_FPS,
  // DOCUMENT_MINTIME and DOCUMENT_MAXTIME. A document that was never given an end ends at frame
  // 90 of its rate (3 seconds at 30 per second).
  BaseTime GetTime() const;
  void SetTime(const BaseTime& t);
  Int32 GetFps() const;
  void SetFps(Int32 fps);
  BaseTime GetMinTime() const;
  void SetMinTime(const BaseTime& t);
  BaseTime GetMaxTime() const;
  void SetMaxTime(const BaseTime& t);

  // Evaluates the scene: execution steps in priority order, then the generators' caches in
  // document order.
  Bool ExecutePasses(BaseThread* bt, Bool animation, Bool expressions, Bool caches,
                     BUILDFLAGS flags);

 private:
  BaseDocument();
  friend struct zvhost::HostAccess;
  GeListNode* root_;  // owned holder of the top objects
  Int64 evaluations_ = 0;
  Int64 builds_ = 0;
};
