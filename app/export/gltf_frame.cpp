#include "gltf_frame.h"

#include <cfloat>
#include <cmath>

namespace zvapp::gltf {
namespace {

std::vector<double> Quaternion(const std::array<Vector, 3>& a) {
  const double m00 = a[0].x, m01 = a[1].x, m02 = a[2].x;
  const double m10 = a[0].y, m11 = a[1].y, m12 = a[2].y;
  const double m20 = a[0].z, m21 = a[1].z, m22 = a[2].z;
  const double trace = m00 + m11 + m22;
  double x, y, z, w;
  if (trace > 0.0) {
    const double s = 0.5 / std::sqrt(trace + 1.0);
    w = 0.25 / s, x = (m21 - m12) * s, y = (m02 - m20) * s, z = (m10 - m01) * s;
  } else if (m00 > m11 && m00 > m22) {
    const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
    w = (m21 - m12) / s, x = 0.25 * s, y = (m01 + m10) / s, z = (m02 + m20) / s;
  } else if (m11 > m22) {
    const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
    w = (m02 - m20) / s, x = (m01 + m10) / s, y = 0.25 * s, z = (m12 + m21) / s;
  } else {
    const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
    w = (m10 - m01) / s, x = (m02 + m20) / s, y = (m12 + m21) / s, z = 0.25 * s;
  }
  const double len = std::sqrt(x * x + y * y + z * z + w * w);
  return {x / len, y / len, z / len, w / len};
}

bool IsRotation(const std::array<Vector, 3>& a) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (std::fabs(Dot(a[i], a[j]) - (i == j ? 1.0 : 0.0)) > 1e-9) return false;
    }
  }
  return Dot(Cross(a[0], a[1]), a[2]) > 0.0;
}

}  // namespace

float LinearChannel(double c) {
  if (!(c > 0.0)) return 0.0f;
  if (c >= 1.0) return 1.0f;
  return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}
Rgb LinearColor(double r, double g, double b) {
  return {LinearChannel(r), LinearChannel(g), LinearChannel(b)};
}

bool ToFloat(double v, float* out) {
  if (!(std::fabs(v) <= FLT_MAX)) return false;  // NaN, infinities and what a float cannot hold
  *out = static_cast<float>(v);
  return true;
}

Vector Mirror(const Vector& v) { return {v.x, v.y, -v.z}; }

bool ToGltfPoint(const Vector& p, Float3* out) {
  return ToFloat(p.x, &(*out)[0]) && ToFloat(p.y, &(*out)[1]) && ToFloat(-p.z, &(*out)[2]);
}

Float3 UnitNormal(const Vector& hostNormal) {
  const Vector n = Mirror(hostNormal);
  const double len = n.GetLength();
  if (!(len > 1e-300) || !std::isfinite(len)) return {0.0f, 1.0f, 0.0f};  // a face without area
  return {static_cast<float>(n.x / len), static_cast<float>(n.y / len),
          static_cast<float>(n.z / len)};
}

bool IsFinite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool NodePlacement(const Matrix& m, Placement* out) {
  const std::array<Vector, 3> axes = {Mirror(m.v1), Mirror(m.v2), -Mirror(m.v3)};
  const Vector off = Mirror(m.off);
  if (!IsFinite(off) || !IsFinite(axes[0]) || !IsFinite(axes[1]) || !IsFinite(axes[2]))
    return false;
  *out = Placement{};
  if (!IsRotation(axes)) {
    out->matrix = {axes[0].x, axes[0].y, axes[0].z, 0.0, axes[1].x, axes[1].y, axes[1].z, 0.0,
                   axes[2].x, axes[2].y, axes[2].z, 0.0, off.x,     off.y,     off.z,     1.0};
    return true;
  }
  if (!(off == Vector())) out->translation = {off.x, off.y, off.z};
  if (!(axes[0] == Vector(1, 0, 0) && axes[1] == Vector(0, 1, 0) && axes[2] == Vector(0, 0, 1)))
    out->rotation = Quaternion(axes);
  return true;
}

}  // namespace zvapp::gltf
