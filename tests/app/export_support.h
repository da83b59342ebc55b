// Shared by the runner's export tests: documents built by hand from host objects, where test
// files go, and the node scripts (the Khronos validator, the browser) they run.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "c4d.h"

namespace zvtest {

namespace fs = std::filesystem;

// ---- Building documents by hand ----------------------------------------------------------------

struct Doc {
  Doc() : doc(BaseDocument::Alloc()) {}
  ~Doc() { BaseDocument::Free(doc); }
  Doc(const Doc&) = delete;
  Doc& operator=(const Doc&) = delete;
  // Inserts `op` as the last child of `parent` (the last top object without one).
  BaseObject* Add(BaseObject* op, BaseObject* parent = nullptr, const char* name = nullptr) {
    if (name) op->SetName(String(name));
    BaseObject* last = parent ? parent->GetDown() : doc->GetFirstObject();
    while (last && last->GetNext()) last = last->GetNext();
    doc->InsertObject(op, parent, last);
    return op;
  }
  BaseDocument* doc;
};

// An n x n grid of points over [-1, 1]^2 (scaled by `size`) with height f(x, z), as quads laid out
// the way the surface mesh lays them out; tags on request.
struct SurfaceTags {
  bool uvw = false, phong = false, colors = false;
};
inline PolygonObject* MakeSurface(int n, double size,
                                  const std::function<double(double, double)>& f,
                                  SurfaceTags tags = {}) {
  const int r = n - 1;
  PolygonObject* op = PolygonObject::Alloc(n * n, r * r);
  Vector* p = op->GetPointW();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const double x = -1.0 + 2.0 * i / r, z = -1.0 + 2.0 * j / r;
      p[i * n + j] = Vector(x * size, f(x, z), z * size);
    }
  }
  CPolygon* q = op->GetPolygonW();
  for (int i = 0; i < r; ++i) {
    for (int j = 0; j < r; ++j) {
      const int base = i * n + j;
      q[i * r + j] = CPolygon(base, base + 1, base + n + 1, base + n);
    }
  }
  if (tags.colors) {
    auto* vc = VertexColorTag::Alloc(n * n);
    auto* rgba = static_cast<Float32*>(vc->GetDataAddressW());
    for (int k = 0; k < n * n; ++k) {
      const double t = std::clamp((p[k].y / size + 1.0) / 2.0, 0.0, 1.0);
      const std::array<double, 4> c = {t, 0.35 + 0.4 * std::sin(t * PI), 1.0 - t, 1.0};
      for (int ch = 0; ch < 4; ++ch) rgba[4 * k + ch] = static_cast<Float32>(c[ch]);
    }
    op->InsertTag(vc);
  }
  if (tags.phong) op->MakeTag(Tphong);
  if (tags.uvw) {
    auto* uvw = UVWTag::Alloc(r * r);
    auto* entries = static_cast<UVWStruct*>(uvw->GetLowlevelDataAddressW());
    const auto uv = [&](int k) { return Vector(double(k / n) / r, 1.0 - double(k % n) / r, 0); };
    for (int k = 0; k < r * r; ++k) {
      const CPolygon& c = q[k];
      entries[k] = {uv(c.a), uv(c.b), uv(c.c), uv(c.d)};
    }
    op->InsertTag(uvw);
  }
  return op;
}

inline SplineObject* MakeSpline(const std::vector<Vector>& points,
                                const std::vector<Int32>& segments, SPLINETYPE type, bool closed) {
  SplineObject* op = SplineObject::Alloc(static_cast<Int32>(points.size()), type);
  std::copy(points.begin(), points.end(), op->GetPointW());
  op->ResizeObject(-1, static_cast<Int32>(segments.size()));
  for (size_t i = 0; i < segments.size(); ++i) op->GetSegmentW()[i] = {segments[i], false};
  op->GetDataInstance()->SetBool(SPLINEOBJECT_CLOSED, closed);
  return op;
}

inline void SetColor(BaseObject* op, const Vector& color) {
  ObjectColorProperties cp;
  cp.usecolor = ID_BASEOBJECT_USECOLOR_AUTOMATIC;
  cp.color = color;
  op->SetColorProperties(&cp);
}

// ---- External tools -----------------------------------------------------------------------------

struct Tools {
  static bool HaveNodeModules() {
    return fs::exists(fs::path(ZV_SOURCE_DIR) / "node_modules" / "gltf-validator") &&
           fs::exists(fs::path(ZV_SOURCE_DIR) / "node_modules" / "playwright-core") &&
           std::system("node --version > /dev/null 2>&1") == 0;
  }
  static std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
  }
  // Runs a node script of tests/app with the arguments; its exit status and what it printed.
  static int Node(const std::string& script, const std::vector<std::string>& args,
                  std::string* output) {
    std::string cmd = "node " + Quote(std::string(ZV_SOURCE_DIR) + "/tests/app/" + script);
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) output->append(buf.data(), n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

inline fs::path OutputDir(const std::string& name) {
  const fs::path dir = fs::path(ZV_BINARY_DIR) / "test-output" / name;
  fs::create_directories(dir);
  return dir;
}

}  // namespace zvtest
