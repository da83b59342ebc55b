// Wavefront OBJ with vertex colours as the common "v x y z r g b" extension: an object per part,
// its points (those its faces use) and triangles, written piece by piece.
#include <charconv>
#include <vector>

#include "export_print_model.h"

namespace zvapp {
namespace {

constexpr size_t kPiece = 1 << 16;

void PutNumber(std::string* out, Float v) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, static_cast<float>(v));
  out->push_back(' ');
  out->append(text, r.ptr);
}

}  // namespace

bool StageObj(StagedOutputs& staged, const std::string& path, const PrintModel& model,
              std::string* error) {
  return staged.StagePieces(
      path,
      [&](const PieceSink& sink) {
        std::string out = "# Zorvantix plot, millimetres, z up\n";
        const auto flush = [&](bool always) {
          if (!always && out.size() < kPiece) return true;
          const bool ok = sink(out);
          out.clear();
          return ok;
        };
        long long written = 0;  // points written so far: OBJ numbers them across objects
        for (const PrintPart& part : model.parts) {
          // A point takes the colour of the last face corner it is: the bottom's points the
          // bottom's, a wall's top corners the surface's.
          const Int32 points = part.poly->GetPointCount();
          std::vector<long long> number(static_cast<size_t>(points), 0);
          std::vector<Vector> colour(part.HasColours() ? static_cast<size_t>(points) : 0);
          long long next = written;
          std::vector<std::array<long long, 3>> faces;
          part.ForEachTriangle([&](const PrintTriangle& t) {
            if (t.points[0] < 0) return;
            std::array<long long, 3> face;
            for (int k = 0; k < 3; ++k) {
              long long& n = number[static_cast<size_t>(t.points[k])];
              if (n == 0) n = ++next;
              face[k] = n;
              if (!colour.empty())
                colour[static_cast<size_t>(t.points[k])] =
                    part.CornerColour(t.polygon, t.corners[k], t.points[k]);
            }
            faces.push_back(face);
          });
          out += "o " + (part.name.empty() ? std::string("part") : part.name) + "\n";
          std::vector<Int32> order(static_cast<size_t>(next - written));
          for (Int32 v = 0; v < points; ++v)
            if (number[static_cast<size_t>(v)] > 0)
              order[static_cast<size_t>(number[static_cast<size_t>(v)] - written - 1)] = v;
          for (const Int32 v : order) {
            const Vector p = model.Position(part, v);
            out += "v";
            PutNumber(&out, p.x);
            PutNumber(&out, p.y);
            PutNumber(&out, p.z);
            if (!colour.empty()) {
              const Vector& c = colour[static_cast<size_t>(v)];
              PutNumber(&out, c.x);
              PutNumber(&out, c.y);
              PutNumber(&out, c.z);
            }
            out += "\n";
            if (!flush(false)) return false;
          }
          for (const auto& f : faces) {
            out += "f " + std::to_string(f[0]) + " " + std::to_string(f[1]) + " " +
                   std::to_string(f[2]) + "\n";
            if (!flush(false)) return false;
          }
          written = next;
        }
        return flush(true);
      },
      error);
}

}  // namespace zvapp
