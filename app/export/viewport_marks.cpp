#include "viewport_marks.h"

#include <algorithm>
#include <cmath>

#include "host_app.h"

namespace zvapp {
namespace {

using Record = zvhost::DrawRecord;

bool IsFinite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

MarkSet& SetOf(std::vector<MarkSet>& sets, MarkSet::Style style) {
  for (MarkSet& s : sets)
    if (s.style == style) return s;
  sets.push_back(MarkSet{style, {}, {}, 0.0});
  return sets.back();
}

}  // namespace

std::vector<MarkSet> ViewportMarks(BaseObject* op) {
  std::vector<MarkSet> sets;
  Vector pen(1.0);
  Float pointSize = 1.0;  // the view's own until the object sets one
  zvhost::DrawObject(op, DRAWPASS::OBJECT, [&](const Record& r) {
    switch (r.kind) {
      case Record::Kind::PEN:
        pen = r.color;
        break;
      case Record::Kind::POINTSIZE:
        pointSize = r.size;
        break;
      case Record::Kind::HANDLE:
      case Record::Kind::SPHERE: {
        if (!IsFinite(r.a)) break;
        const bool sphere = r.kind == Record::Kind::SPHERE;
        MarkSet& s = SetOf(sets, sphere ? MarkSet::Style::SPHERES : MarkSet::Style::DOTS);
        s.points.push_back(r.a);
        s.colours.push_back(sphere ? r.color : pen);
        s.size = std::max(s.size, sphere ? r.b.x : pointSize);
        break;
      }
      case Record::Kind::LINE: {
        if (!IsFinite(r.a) || !IsFinite(r.b)) break;
        MarkSet& s = SetOf(sets, MarkSet::Style::LINES);
        s.points.insert(s.points.end(), {r.a, r.b});
        s.colours.insert(s.colours.end(), {pen, pen});
        break;
      }
      case Record::Kind::MATRIX:
        break;  // the object draws in its own frame, as its node is placed
    }
  });
  return sets;
}

const char* StyleName(MarkSet::Style style) {
  switch (style) {
    case MarkSet::Style::SPHERES:
      return "spheres";
    case MarkSet::Style::LINES:
      return "lines";
    default:
      return "dots";
  }
}

}  // namespace zvapp
