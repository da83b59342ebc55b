// Polygon objects as glTF's indexed triangles.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "c4d.h"
#include "gltf_frame.h"

namespace zvapp::gltf {

// A mesh's vertex arrays and its triangles' indices, as glTF stores them.
struct MeshArrays {
  std::vector<Float3> positions, normals, colors;
  std::vector<Float2> uvs;
  std::vector<uint32_t> indices;
};

// Turns a polygon object into indexed triangles: quads split along a-c, the winding reversed with
// the mirror so that faces keep their front. Smooth normals (phong tag) are averaged per point, or
// with the tag's angle limit over the faces at a point that meet the corner's face at no more than
// that angle, so that edges stay sharp; vertices are shared unless their UVs, colours (a colour per
// point or per polygon corner) or normals differ; flat normals need a vertex per face corner.
class PolygonConverter {
 public:
  explicit PolygonConverter(const PolygonObject& op);
  long long NonFinitePoints() const { return nonFinite_; }
  // False when no face is left.
  bool Convert(MeshArrays* out);

 private:
  struct Corner {
    Int32 point;
    Float2 uv;
    Rgb colour;
    Float3 normal;
  };
  bool Usable(const CPolygon& p) const;
  int Corners(Int32 polygon, std::array<Corner, 4>* corners) const;
  Vector FaceNormal(const std::array<Corner, 4>& c, int count) const;
  void ComputePointNormals();
  void ComputeFaceNormals();
  Float3 LimitedNormal(Int32 polygon, Int32 point) const;
  bool SameVertex(uint32_t v, const Corner& c) const;
  uint32_t NewVertex(const Corner& c, const Float3& normal);
  uint32_t SharedVertex(const Corner& c);

  const Vector* points_;
  const CPolygon* polygons_;
  Int32 pointCount_, polygonCount_;
  const UVWTag* uvw_ = nullptr;
  const Float32* colors_ = nullptr;        // four floats per point
  const Float32* cornerColors_ = nullptr;  // sixteen floats per polygon
  bool smooth_;
  double limit_ = -2.0;  // the cosine of the phong tag's angle limit; below -1 without a limit
  std::vector<Vector> faceNormals_;                 // unit normals, for the angle limit
  std::vector<Int32> pointFaceStart_, pointFaces_;  // the faces at each point
  std::vector<Float3> converted_;
  std::vector<Rgb> linear_;  // the points' colours in linear light, converted once per point
  std::vector<char> finite_;
  long long nonFinite_ = 0;
  std::vector<Float3> pointNormals_;
  std::vector<uint32_t> firstVertex_;
  std::unordered_map<uint64_t, std::vector<uint32_t>> seams_;  // more vertices of a point
  MeshArrays* out_ = nullptr;
};

}  // namespace zvapp::gltf
