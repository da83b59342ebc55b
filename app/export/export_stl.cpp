// Binary STL: an 80-byte header, the triangle count, then per triangle its normal and corners as
// 32-bit floats (little endian) and two bytes of attributes, written piece by piece.
#include <cstring>
#include <string_view>

#include "export_print_model.h"

namespace zvapp {
namespace {

constexpr size_t kTriangleBytes = 50;
constexpr size_t kBatch = 4096;  // triangles per piece handed on

void PutFloat(char*& out, Float v) {
  const float f = static_cast<float>(v);
  std::memcpy(out, &f, 4);
  out += 4;
}

void PutVector(char*& out, const Vector& v) {
  PutFloat(out, v.x);
  PutFloat(out, v.y);
  PutFloat(out, v.z);
}

}  // namespace

bool StageStl(StagedOutputs& staged, const std::string& path, const PrintModel& model,
              std::string* error) {
  if (model.triangles > 0xFFFFFFFFll) {
    if (error) *error = "'" + path + "': STL holds at most 4294967295 triangles";
    return false;
  }
  return staged.StagePieces(
      path,
      [&](const PieceSink& sink) {
        char header[84] = {};
        std::memcpy(header, "Zorvantix plot, millimetres, z up", 33);
        const auto count = static_cast<uint32_t>(model.triangles);
        std::memcpy(header + 80, &count, 4);
        if (!sink(std::string_view(header, sizeof header))) return false;
        std::string buffer;
        buffer.reserve(kBatch * kTriangleBytes);
        bool ok = true;
        for (const PrintPart& part : model.parts) {
          part.ForEachTriangle([&](const PrintTriangle& t) {
            if (!ok || t.points[0] < 0) return;
            Vector p[3];
            for (int k = 0; k < 3; ++k) p[k] = model.Position(part, t.points[k]);
            Vector n = Cross(p[1] - p[0], p[2] - p[0]);
            const Float length = n.GetLength();
            n = length > 0.0 ? n * (1.0 / length) : Vector();
            char triangle[kTriangleBytes] = {};
            char* out = triangle;
            PutVector(out, n);
            for (const Vector& v : p) PutVector(out, v);
            buffer.append(triangle, kTriangleBytes);
            if (buffer.size() >= kBatch * kTriangleBytes) {
              ok = sink(buffer);
              buffer.clear();
            }
          });
          if (!ok) return false;
        }
        return buffer.empty() || sink(buffer);
      },
      error);
}

}  // namespace zvapp
