// Documents: the scene's top objects, its time settings and scene evaluation.
#pragma once

#include "c4d_baseobject.h"

class BaseThread;

class BaseDocument : public BaseList2D {
 public:
  static BaseDocument* Alloc();
  static void Free(BaseDocument*& doc);
  ~BaseDocument() override;

  // Inserts `op` under `parent` (at the top level when null) after `pred` (first when null).
  void InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred);
  BaseObject* GetFirstObject() const { return static_cast<BaseObject*>(root_->GetDown()); }

  // Time, frame rate and start time: the document parameters DOCUMENT_TIME, DOCUMENT_FPS and
  // DOCUMENT_MINTIME.
  BaseTime GetTime() const;
  void SetTime(const BaseTime& t);
  Int32 GetFps() const;
  void SetFps(Int32 fps);
  BaseTime GetMinTime() const;
  void SetMinTime(const BaseTime& t);

  // Evaluates the scene: execution steps in priority order, then the generators' caches in
  // document order.
  Bool ExecutePasses(BaseThread* bt, Bool animation, Bool expressions, Bool caches);

 private:
  BaseDocument();
  friend struct zvhost::HostAccess;
  GeListNode* root_;  // owned holder of the top objects
  Int64 evaluations_ = 0;
  Int64 builds_ = 0;
};
