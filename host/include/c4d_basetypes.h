// Basic types of the host's plug-in interface: numbers, vectors, matrices and the host's enumerations.
#pragma once

#include <cmath>
#include <cstdint>

using Int32 = std::int32_t;
using UInt32 = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using Float = double;
using Float32 = float;
using Bool = bool;
using Char = char;
using UChar = unsigned char;

constexpr Int32 NOTOK = -1;
constexpr Int32 LIMIT_MIN_INT32 = -2147483647 - 1;
constexpr Float MAXVALUE_FLOAT = 1.7976931348623157e308;
constexpr Float PI = 3.14159265358979323846;
constexpr Float PI05 = PI * 0.5;

struct Vector {
  Float x = 0.0, y = 0.0, z = 0.0;
  constexpr Vector() = default;
  constexpr explicit Vector(Float v) : x(v), y(v), z(v) {}
  constexpr Vector(Float xx, Float yy, Float zz) : x(xx), y(yy), z(zz) {}
  constexpr Vector operator+(const Vector& o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vector operator-(const Vector& o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vector operator-() const { return {-x, -y, -z}; }
  constexpr Vector operator*(Float s) const { return {x * s, y * s, z * s}; }
  constexpr Vector& operator+=(const Vector& o) { x += o.x; y += o.y; z += o.z; return *this; }
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

// The host's enumerations used by the module.
enum class EXECUTIONRESULT : Int32 { OK = 0 };
enum class EXECUTIONFLAGS : Int32 { NONE = 0 };
enum class DRAWPASS : Int32 { OBJECT = 0, HANDLES = 2 };
enum class DRAWRESULT : Int32 { OK = 1, SKIP = 2 };
enum class DRAWHANDLE : Int32 { BIG = 3, CUSTOM = 4 };
enum class DIRTYFLAGS : Int32 { DATA = 4 };
enum class DESCFLAGS_DESC : Int32 { NONE = 0, LOADED = 2 };
enum class DESCFLAGS_ENABLE : Int32 { NONE = 0 };
enum class CHECKISRUNNING : Int32 { EDITORRENDERING = 2, EXTERNALRENDERING = 3 };
enum class SPLINETYPE : Int32 { LINEAR = 0, CUBIC = 1 };
enum class MODELINGCOMMANDFLAGS : Int32 { NONE = 0 };
enum class MODELINGCOMMANDMODE : Int32 { ALL = 0 };
enum class NBIT : Int32 { OM1_FOLD = 14 };
enum class NBITCONTROL : Int32 { SET = 1, CLEAR = 2 };
enum class EVENT : Int32 { NONE = 0, FORCEREDRAW = 1 };
enum class IMAGERESULT : Int32 { OK = 1, WRONGTYPE = -2 };
enum class COPYFLAGS : Int32 { NONE = 0 };
enum class STOPTHREADS : Int32 { ALL = 7 };

constexpr Int32 MODE_ON = 0;
constexpr Int32 MODE_OFF = 1;
constexpr Int32 MODE_UNDEF = 2;

inline constexpr DESCFLAGS_DESC operator|(DESCFLAGS_DESC a, DESCFLAGS_DESC b) {
  return static_cast<DESCFLAGS_DESC>(static_cast<Int32>(a) | static_cast<Int32>(b));
}
inline DESCFLAGS_DESC& operator|=(DESCFLAGS_DESC& a, DESCFLAGS_DESC b) { return a = a | b; }
