#include "gltf_polygons.h"

namespace zvapp::gltf {

PolygonConverter::PolygonConverter(const PolygonObject& op)
    : points_(op.GetPointR()),
      polygons_(op.GetPolygonR()),
      pointCount_(op.GetPointCount()),
      polygonCount_(op.GetPolygonCount()),
      smooth_(op.GetTag(Tphong) != nullptr) {
  if (auto* uvw = dynamic_cast<const UVWTag*>(op.GetTag(Tuvw));
      uvw && uvw->GetDataCount() == polygonCount_)
    uvw_ = uvw;
  if (auto* vc = dynamic_cast<const VertexColorTag*>(op.GetTag(Tvertexcolor))) {
    const auto* data = static_cast<const Float32*>(vc->GetDataAddressR());
    if (vc->IsPerPointColor() && vc->GetDataCount() == pointCount_) colors_ = data;
    if (!vc->IsPerPointColor() && vc->GetDataCount() == polygonCount_) cornerColors_ = data;
  }
  if (const BaseTag* phong = op.GetTag(Tphong);
      phong && phong->GetDataInstanceRef().GetBool(PHONGTAG_PHONG_ANGLELIMIT))
    limit_ = std::cos(phong->GetDataInstanceRef().GetFloat(PHONGTAG_PHONG_ANGLE));
  converted_.resize(static_cast<size_t>(pointCount_));
  finite_.resize(static_cast<size_t>(pointCount_));
  for (Int32 i = 0; i < pointCount_; ++i) {
    finite_[i] = ToGltfPoint(points_[i], &converted_[i]);
    if (!finite_[i]) ++nonFinite_;
  }
  if (colors_) {
    linear_.resize(static_cast<size_t>(pointCount_));
    for (Int32 i = 0; i < pointCount_; ++i) {
      const Float32* rgba = colors_ + 4 * static_cast<size_t>(i);
      linear_[i] = LinearColor(rgba[0], rgba[1], rgba[2]);
    }
  }
}

bool PolygonConverter::Usable(const CPolygon& p) const {
  for (const Int32 i : {p.a, p.b, p.c, p.d}) {
    if (i < 0 || i >= pointCount_ || !finite_[i]) return false;
  }
  return true;
}

// The polygon's distinct corners (3 for a triangle, else 4) with their UVs.
int PolygonConverter::Corners(Int32 polygon, std::array<Corner, 4>* corners) const {
  const CPolygon& p = polygons_[polygon];
  const int count = p.IsTriangle() ? 3 : 4;
  UVWStruct uvw;
  if (uvw_) uvw = uvw_->GetSlow(polygon);
  const std::array<Int32, 4> ids = {p.a, p.b, p.c, p.d};
  const std::array<Vector, 4> uvs = {uvw.a, uvw.b, uvw.c, uvw.d};
  for (int k = 0; k < count; ++k) {
    Float2 uv = {0.0f, 0.0f};
    if (!ToFloat(uvs[k].x, &uv[0]) || !ToFloat(uvs[k].y, &uv[1])) uv = {0.0f, 0.0f};
    Rgb colour{};
    if (cornerColors_) {
      const Float32* rgba = cornerColors_ + 16 * static_cast<size_t>(polygon) + 4 * k;
      colour = LinearColor(rgba[0], rgba[1], rgba[2]);
    } else if (colors_) {
      colour = linear_[ids[k]];
    }
    (*corners)[k] = {ids[k], uv, colour, {}};
  }
  return count;
}

// Twice the area times the unit normal, in the host's frame.
Vector PolygonConverter::FaceNormal(const std::array<Corner, 4>& c, int count) const {
  const Vector& a = points_[c[0].point];
  const Vector& b = points_[c[1].point];
  const Vector& cc = points_[c[2].point];
  if (count == 3) return Cross(b - a, cc - a);
  return Cross(cc - a, points_[c[3].point] - b);
}

void PolygonConverter::ComputePointNormals() {
  std::vector<Vector> sums(static_cast<size_t>(pointCount_));
  for (Int32 q = 0; q < polygonCount_; ++q) {
    const CPolygon& p = polygons_[q];
    if (!Usable(p)) continue;
    // The corners without their UVs, which a normal does not need.
    const int count = p.IsTriangle() ? 3 : 4;
    const std::array<Corner, 4> c = {
        {{p.a, {}, {}, {}}, {p.b, {}, {}, {}}, {p.c, {}, {}, {}}, {p.d, {}, {}, {}}}};
    const Vector n = FaceNormal(c, count);
    for (int k = 0; k < count; ++k) sums[c[k].point] += n;
  }
  pointNormals_.resize(sums.size());
  for (size_t i = 0; i < sums.size(); ++i) pointNormals_[i] = UnitNormal(sums[i]);
}

void PolygonConverter::ComputeFaceNormals() {
  faceNormals_.assign(static_cast<size_t>(polygonCount_), Vector());
  pointFaceStart_.assign(static_cast<size_t>(pointCount_) + 1, 0);
  const auto corners = [this](Int32 q) {
    const CPolygon& p = polygons_[q];
    return std::array<Int32, 4>{p.a, p.b, p.c, p.IsTriangle() ? -1 : p.d};
  };
  for (Int32 q = 0; q < polygonCount_; ++q) {
    if (!Usable(polygons_[q])) continue;
    const CPolygon& p = polygons_[q];
    const std::array<Corner, 4> c = {
        {{p.a, {}, {}, {}}, {p.b, {}, {}, {}}, {p.c, {}, {}, {}}, {p.d, {}, {}, {}}}};
    const Vector n = FaceNormal(c, p.IsTriangle() ? 3 : 4);
    const double length = n.GetLength();
    faceNormals_[static_cast<size_t>(q)] = length > 0.0 ? n * (1.0 / length) : Vector();
    for (const Int32 v : corners(q))
      if (v >= 0) ++pointFaceStart_[static_cast<size_t>(v) + 1];
  }
  for (size_t i = 1; i < pointFaceStart_.size(); ++i) pointFaceStart_[i] += pointFaceStart_[i - 1];
  pointFaces_.assign(static_cast<size_t>(pointFaceStart_.back()), 0);
  std::vector<Int32> fill(pointFaceStart_.begin(), pointFaceStart_.end() - 1);
  for (Int32 q = 0; q < polygonCount_; ++q) {
    if (!Usable(polygons_[q])) continue;
    for (const Int32 v : corners(q))
      if (v >= 0) pointFaces_[static_cast<size_t>(fill[static_cast<size_t>(v)]++)] = q;
  }
}

// The faces at the point that meet the polygon's face at no more than the limit's angle.
Float3 PolygonConverter::LimitedNormal(Int32 polygon, Int32 point) const {
  const Vector& own = faceNormals_[static_cast<size_t>(polygon)];
  Vector sum;
  for (Int32 i = pointFaceStart_[static_cast<size_t>(point)];
       i < pointFaceStart_[static_cast<size_t>(point) + 1]; ++i) {
    const Vector& n = faceNormals_[static_cast<size_t>(pointFaces_[static_cast<size_t>(i)])];
    if (Dot(n, own) >= limit_) sum += n;
  }
  return UnitNormal(sum);
}

uint32_t PolygonConverter::NewVertex(const Corner& c, const Float3& normal) {
  out_->positions.push_back(converted_[c.point]);
  out_->normals.push_back(normal);
  if (uvw_) out_->uvs.push_back(c.uv);
  if (colors_ || cornerColors_) out_->colors.push_back(c.colour);
  return static_cast<uint32_t>(out_->positions.size() - 1);
}

bool PolygonConverter::SameVertex(uint32_t v, const Corner& c) const {
  if (uvw_ && !(out_->uvs[v] == c.uv)) return false;
  if (cornerColors_ && !(out_->colors[v] == c.colour)) return false;
  return limit_ < -1.0 || out_->normals[v] == c.normal;
}

// One vertex per point, and one more for every other UV, colour or normal the point has on some
// face (a seam, an edge).
uint32_t PolygonConverter::SharedVertex(const Corner& c) {
  constexpr uint32_t kNone = UINT32_MAX;
  uint32_t& first = firstVertex_[c.point];
  if (first == kNone) return first = NewVertex(c, c.normal);
  if (SameVertex(first, c)) return first;
  std::vector<uint32_t>& more = seams_[static_cast<uint64_t>(c.point)];
  for (const uint32_t v : more) {
    if (SameVertex(v, c)) return v;
  }
  more.push_back(NewVertex(c, c.normal));
  return more.back();
}

bool PolygonConverter::Convert(MeshArrays* out) {
  out_ = out;
  const size_t vertices =
      smooth_ ? static_cast<size_t>(pointCount_) : 4 * static_cast<size_t>(polygonCount_);
  out->positions.reserve(vertices);
  out->normals.reserve(vertices);
  if (uvw_) out->uvs.reserve(vertices);
  if (colors_ || cornerColors_) out->colors.reserve(vertices);
  out->indices.reserve(6 * static_cast<size_t>(polygonCount_));
  if (smooth_) {
    if (limit_ < -1.0)
      ComputePointNormals();
    else
      ComputeFaceNormals();
    firstVertex_.assign(static_cast<size_t>(pointCount_), UINT32_MAX);
  }
  std::array<Corner, 4> c;
  for (Int32 q = 0; q < polygonCount_; ++q) {
    if (!Usable(polygons_[q])) continue;
    const int count = Corners(q, &c);
    const Float3 faceNormal = smooth_ ? Float3{} : UnitNormal(FaceNormal(c, count));
    std::array<uint32_t, 4> v;
    for (int k = 0; k < count; ++k) {
      if (smooth_)
        c[k].normal = limit_ < -1.0 ? pointNormals_[c[k].point] : LimitedNormal(q, c[k].point);
      v[k] = smooth_ ? SharedVertex(c[k]) : NewVertex(c[k], faceNormal);
    }
    // Host triangles (a, b, c) and (a, c, d), wound the other way round for the mirrored frame.
    for (int t = 0; t < count - 2; ++t) {
      const int i1 = t + 1, i2 = t + 2;
      if (c[0].point == c[i1].point || c[i1].point == c[i2].point || c[0].point == c[i2].point)
        continue;  // no area: a triangle stored as a quad, or a collapsed corner
      out->indices.insert(out->indices.end(), {v[0], v[i2], v[i1]});
    }
  }
  return !out->indices.empty();
}

}  // namespace zvapp::gltf
