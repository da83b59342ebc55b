// The host's interface version, the data plug-ins hand the host's geometry calls, and the handles
// of tag data.
#pragma once

#include "c4d_basecontainer.h"
#include "ge_prepass.h"

// The interface version this host declares to plug-ins built against it.
#define API_VERSION 2024000

class AtomArray;
class BaseDocument;
class BaseObject;

// The UVW set of one polygon: one point per corner.
struct UVWStruct {
  UVWStruct() {}
  UVWStruct(const Vector& t_a, const Vector& t_b, const Vector& t_c, const Vector& t_d)
      : a(t_a), b(t_b), c(t_c), d(t_d) {}
  UVWStruct(const Vector& t_a, const Vector& t_b, const Vector& t_c)
      : a(t_a), b(t_b), c(t_c), d(t_c) {}
  Bool operator==(const UVWStruct& o) const { return a == o.a && b == o.b && c == o.c && d == o.d; }
  Vector a, b, c, d;
};

// The colours of one polygon's corners in a vertex colour tag of polygon mode.
struct VertexColorStruct {
  VertexColorStruct() {}
  // Each corner's colour, fully opaque.
  VertexColorStruct(const Vector& t_a, const Vector& t_b, const Vector& t_c, const Vector& t_d)
      : a(Opaque(t_a)), b(Opaque(t_b)), c(Opaque(t_c)), d(Opaque(t_d)) {}
  maxon::ColorA32 a, b, c, d;

 private:
  static maxon::ColorA32 Opaque(const Vector& v) {
    return maxon::ColorA32(static_cast<Float32>(v.x), static_cast<Float32>(v.y),
                           static_cast<Float32>(v.z), 1.0f);
  }
};

// Handles for the data of UVW and vertex colour tags.
typedef void* UVWHandle;
typedef const void* ConstUVWHandle;
typedef void* VertexColorHandle;
typedef const void* ConstVertexColorHandle;

// What a modelling command works on.
struct ModelingCommandData {
  ModelingCommandData() = default;
  ~ModelingCommandData() = default;
  BaseDocument* doc = nullptr;
  BaseObject* op = nullptr;
  BaseContainer* bc = nullptr;
  MODELINGCOMMANDMODE mode = MODELINGCOMMANDMODE::ALL;
  MODELINGCOMMANDFLAGS flags = MODELINGCOMMANDFLAGS::NONE;
  AtomArray* arr = nullptr;
  AtomArray* result = nullptr;
};
