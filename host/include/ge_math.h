// The host's basic types for plug-ins: numbers, vectors, colours, matrices and the limits of the
// integer types.
#pragma once

#include <cmath>
#include <cstdint>

#include "maxon/apibase.h"

using Int16 = maxon::Int16;
using UInt16 = maxon::UInt16;
using Int32 = maxon::Int32;
using UInt32 = maxon::UInt32;
using Int64 = maxon::Int64;
using UInt64 = maxon::UInt64;
using Int = maxon::Int;
using UInt = maxon::UInt;
using Float = maxon::Float;
using Float32 = maxon::Float32;
using Float64 = maxon::Float64;
using Bool = maxon::Bool;
using Char = maxon::Char;
using UChar = maxon::UChar;
using Utf16Char = maxon::Utf16Char;
using Utf32Char = maxon::Utf32Char;

constexpr Int32 NOTOK = -1;
constexpr Float MAXVALUE_FLOAT = 1.7976931348623157e308;
constexpr Float64 PI = 3.1415926535897932384626433832795;
constexpr Float64 PI05 = 1.5707963267948966192313216916398;

// The smallest and largest value of an integer type: LIMIT<Int32>::MIN.
template <typename T>
class LIMIT {
 public:
  static constexpr T MIN = T(-1) < T(0) ? T(T(1) << (sizeof(T) * 8 - 1)) : T(0);
  static constexpr T MAX = T(~MIN);
};

namespace maxon {

// A colour of three channels.
template <typename T, Int STRIDE = 1>
struct Col3 {
  T r = 0, g = 0, b = 0;
  constexpr Col3() = default;
  constexpr explicit Col3(T v) : r(v), g(v), b(v) {}
  constexpr Col3(T rr, T gg, T bb) : r(rr), g(gg), b(bb) {}
  constexpr bool operator==(const Col3& o) const { return r == o.r && g == o.g && b == o.b; }
};
using Color = Col3<Float, 1>;
using Color32 = Col3<Float32, 1>;
using Color64 = Col3<Float64, 1>;

// A colour of three channels and alpha.
template <typename T, Int STRIDE = 1>
struct Col4 {
  T r = 0, g = 0, b = 0, a = 0;
  constexpr Col4() = default;
  constexpr Col4(T rr, T gg, T bb, T aa) : r(rr), g(gg), b(bb), a(aa) {}
  template <typename U>
  constexpr explicit Col4(const Col3<U, 1>& c, T aa = T(1))
      : r(T(c.r)), g(T(c.g)), b(T(c.b)), a(aa) {}
};
using ColorA32 = Col4<Float32, 1>;

}  // namespace maxon

struct Vector {
  Float x = 0.0, y = 0.0, z = 0.0;
  constexpr Vector() = default;
  constexpr explicit Vector(Float v) : x(v), y(v), z(v) {}
  constexpr Vector(Float xx, Float yy, Float zz) : x(xx), y(yy), z(zz) {}
  constexpr Vector operator+(const Vector& o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vector operator-(const Vector& o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vector operator-() const { return {-x, -y, -z}; }
  constexpr Vector operator*(Float s) const { return {x * s, y * s, z * s}; }
  constexpr Vector& operator+=(const Vector& o) {
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
  }
  constexpr bool operator==(const Vector& o) const { return x == o.x && y == o.y && z == o.z; }
  Float GetLength() const { return std::sqrt(x * x + y * y + z * z); }
};
constexpr Vector operator*(Float s, const Vector& v) { return v * s; }
constexpr Float Dot(const Vector& a, const Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vector Cross(const Vector& a, const Vector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Vector32 {
  Float32 x = 0.0f, y = 0.0f, z = 0.0f;
};

// A 4x3 transform: offset and three axes; a point p maps to off + v1*p.x + v2*p.y + v3*p.z.
struct Matrix {
  Vector off, v1{1, 0, 0}, v2{0, 1, 0}, v3{0, 0, 1};
  constexpr Vector operator*(const Vector& p) const { return off + v1 * p.x + v2 * p.y + v3 * p.z; }
  constexpr Matrix operator*(const Matrix& m) const {
    Matrix r;
    r.off = *this * m.off;
    r.v1 = TransformVector(m.v1);
    r.v2 = TransformVector(m.v2);
    r.v3 = TransformVector(m.v3);
    return r;
  }
  constexpr Vector TransformVector(const Vector& d) const { return v1 * d.x + v2 * d.y + v3 * d.z; }
  constexpr bool operator==(const Matrix& o) const = default;
};

// Rotation from heading (about y), pitch (about x) and bank (about z), in radians.
Matrix HPBToMatrix(const Vector& hpb);
