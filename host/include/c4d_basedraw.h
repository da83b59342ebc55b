// Viewport drawing: the view an object draws itself into, and the placement the host hands along.
#pragma once

#include <functional>
#include <vector>

#include "ge_prepass.h"

class BaseObject;
class BaseDocument;
namespace zvhost {
struct DrawRecord;
struct HostAccess;
}  // namespace zvhost

class BaseDraw {
 public:
  BaseDraw();
  ~BaseDraw();
  BaseDraw(const BaseDraw&) = delete;
  BaseDraw& operator=(const BaseDraw&) = delete;

  void SetMatrix_Matrix(BaseObject* op, const Matrix& mg);
  void SetPen(const Vector& col, Int32 flags = 0);
  void SetPointSize(Float size);
  void DrawHandle(const Vector& vp, DRAWHANDLE type, Int32 flags);
  void DrawSphere(const Vector& pos, const Vector& size, const Vector& col, Int32 flags);
  void DrawLine(const Vector& p1, const Vector& p2, Int32 flags);

 private:
  friend struct zvhost::HostAccess;
  void Record(const zvhost::DrawRecord& r);

  std::vector<zvhost::DrawRecord> records_;  // the host's own record of what it was asked to draw
  // When set, each call goes here instead of into records_: a plot draws millions of markers.
  const std::function<void(const zvhost::DrawRecord&)>* take_ = nullptr;
  Int32 highlighted_ = -1;  // the handle under the cursor
};

// Where the object being drawn stands in the document.
class BaseDrawHelp {
 public:
  BaseDrawHelp(BaseDocument*, const Matrix& mg) : mg_(mg) {}
  const Matrix& GetMg() { return mg_; }

 private:
  Matrix mg_;
};
