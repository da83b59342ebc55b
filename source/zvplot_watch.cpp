#include "zvplot_watch.h"

#include "o3dplot.h"

Bool PlotWatch::TakeFrame(Int32 now) {
  if (now == frame) return false;
  frame = now;
  return true;
}

Bool PlotWatch::TakeBox(const BaseObject* plot) {
  const BaseContainer& bc = plot->GetDataInstanceRef();
  const Float h = bc.GetFloat(O3DPLOT_HEIGHT);
  const Float s = bc.GetFloat(O3DPLOT_SIZE);
  if (h == height && s == size) return false;
  height = h;
  size = s;
  return true;
}

Bool PlotWatch::TakeDirty(const BaseObject* plot) {
  const UInt32 now = plot->GetDirty(DIRTYFLAGS::DATA);
  if (now == dirty) return false;
  dirty = now;
  return true;
}
