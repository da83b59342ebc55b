// The host's frame and colours seen from glTF's: the host is left-handed with y up, glTF
// right-handed, so z is mirrored; the host's display colours are sRGB, glTF's linear. What a glTF
// file cannot hold (NaN, the infinities, numbers past a float) is told apart here.
#pragma once

#include <array>
#include <vector>

#include "c4d.h"

namespace zvapp::gltf {

using Rgb = std::array<float, 3>;  // a linear colour, as glTF stores colours
using Float2 = std::array<float, 2>;
using Float3 = std::array<float, 3>;

// The host's display colours are sRGB values; glTF's colours are linear.
float LinearChannel(double c);
Rgb LinearColor(double r, double g, double b);

// False for NaN, the infinities and what a float cannot hold.
bool ToFloat(double v, float* out);
bool IsFinite(const Vector& v);
// The host's frame is left-handed with y up; mirroring z gives glTF's right-handed frame.
Vector Mirror(const Vector& v);
// A host point in glTF's frame; false when a float cannot hold it.
bool ToGltfPoint(const Vector& p, Float3* out);
// A host normal of any length as glTF's unit normal; straight up for a face without area.
Float3 UnitNormal(const Vector& hostNormal);

// A node's placement: the host's matrix seen in glTF's frame (mirror, matrix, mirror). Rigid
// placements are written as translation and rotation (a quaternion x, y, z, w), each left empty
// where it is the identity's, anything else as a column-major matrix.
struct Placement {
  std::vector<double> matrix, translation, rotation;
};
// False when the matrix is not finite.
bool NodePlacement(const Matrix& m, Placement* out);

}  // namespace zvapp::gltf
