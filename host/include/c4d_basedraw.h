// Viewport drawing. The stand-in host records every call so that tests and the runner can read what a
// view would show.
#pragma once

#include <vector>

#include "c4d_basetypes.h"

class BaseObject;
class BaseDocument;

struct DrawRecord {
  enum class Kind { MATRIX, PEN, POINTSIZE, HANDLE, SPHERE, LINE } kind;
  Vector a, b, color;
  Float size = 0.0;
  Int32 type = 0;
  Int32 flags = 0;
};

class BaseDraw {
 public:
  void SetMatrix_Matrix(BaseObject* op, const Matrix& mg);
  void SetPen(const Vector& col);
  void SetPointSize(Float size);
  void DrawHandle(const Vector& vp, DRAWHANDLE type, Int32 flags);
  void DrawSphere(const Vector& pos, const Vector& size, const Vector& col, Int32 flags);
  void DrawLine(const Vector& p1, const Vector& p2, Int32 flags);

  const std::vector<DrawRecord>& GetRecords() const { return records_; }
  void ClearRecords() { records_.clear(); }
  // The handle under the cursor, as the host would report it for highlighted handles.
  Int32 GetHighlightedHandle() const { return highlighted_; }
  void SetHighlightedHandle(Int32 i) { highlighted_ = i; }

 private:
  std::vector<DrawRecord> records_;
  Int32 highlighted_ = -1;
};

class BaseDrawHelp {
 public:
  BaseDrawHelp(BaseDocument* doc, const Matrix& mg) : doc_(doc), mg_(mg) {}
  const Matrix& GetMg() const { return mg_; }
  BaseDocument* GetDocument() const { return doc_; }

 private:
  BaseDocument* doc_;
  Matrix mg_;
};

// The colour the view uses for one of its elements (active point, highlighted handle).
Vector GetViewColor(Int32 colid);
