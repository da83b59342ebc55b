// Drawing. A headless view has no pixels to draw: it records every call instead, so that what a
// viewport would show can be read back.
#include "c4d.h"
#include "c4d_basedraw.h"
#include "c4d_objectdata.h"
#include "host_app.h"
#include "host_state.h"

using zvhost::DrawRecord;

BaseDraw::BaseDraw() = default;
BaseDraw::~BaseDraw() = default;

void BaseDraw::Record(const DrawRecord& r) {
  if (take_)
    (*take_)(r);
  else
    records_.push_back(r);
}

void BaseDraw::SetMatrix_Matrix(BaseObject*, const Matrix& mg) {
  DrawRecord r{DrawRecord::Kind::MATRIX, mg.off, Vector(), Vector()};
  Record(r);
}

void BaseDraw::SetPen(const Vector& col, Int32) {
  Record({DrawRecord::Kind::PEN, Vector(), Vector(), col});
}

void BaseDraw::SetPointSize(Float size) {
  DrawRecord r{DrawRecord::Kind::POINTSIZE, Vector(), Vector(), Vector()};
  r.size = size;
  Record(r);
}

void BaseDraw::DrawHandle(const Vector& vp, DRAWHANDLE type, Int32 flags) {
  DrawRecord r{DrawRecord::Kind::HANDLE, vp, Vector(), Vector()};
  r.type = static_cast<Int32>(type);
  r.flags = flags;
  Record(r);
}

void BaseDraw::DrawSphere(const Vector& pos, const Vector& size, const Vector& col, Int32 flags) {
  DrawRecord r{DrawRecord::Kind::SPHERE, pos, size, col};
  r.flags = flags;
  Record(r);
}

void BaseDraw::DrawLine(const Vector& p1, const Vector& p2, Int32 flags) {
  DrawRecord r{DrawRecord::Kind::LINE, p1, p2, Vector()};
  r.flags = flags;
  Record(r);
}

namespace zvhost {

const std::vector<DrawRecord>& GetDrawRecords(const BaseDraw& bd) {
  return HostAccess::Records(bd);
}

void SetHighlightedHandle(BaseDraw& bd, Int32 handle) {
  HostAccess::SetHighlightedHandle(bd, handle);
}

void DrawObject(BaseObject* op, DRAWPASS pass, const std::function<void(const DrawRecord&)>& take) {
  if (!op || !op->GetNodeData<NodeData>() || !FindObjectPlugin(op->GetType())) return;
  BaseDraw bd;
  HostAccess::HandRecordsTo(bd, &take);
  BaseDrawHelp bh(op->GetDocument(), op->GetMg());
  // Every registered object plug-in is an ObjectData.
  op->GetNodeData<ObjectData>()->Draw(op, pass, &bd, &bh);
}

}  // namespace zvhost

Vector GetViewColor(Int32 colid, Vector*) {
  switch (colid) {
    case VIEWCOLOR_SELECTION_PREVIEW:
      return Vector(1.0, 0.8, 0.0);
    case VIEWCOLOR_ACTIVEPOINT:
      return Vector(1.0, 0.6, 0.2);
    default:
      return Vector(0.6);
  }
}
