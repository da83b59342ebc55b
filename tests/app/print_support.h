// Reading back what the runner writes for printers, independently of how it writes it: a binary
// STL as a slicer reads it (triangles joined by the positions of their corners).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace zvtest {

struct StlCheck {
  bool read = false;
  long long triangles = 0;
  bool closed = true;   // every edge in both directions exactly once
  double volume = 0.0;  // positive when the faces point outward
  std::array<double, 3> lo{}, hi{};
};

inline StlCheck ReadStl(const std::string& path) {
  StlCheck c;
  std::ifstream f(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(f)), {});
  if (data.size() < 84) return c;
  uint32_t count = 0;
  std::memcpy(&count, data.data() + 80, 4);
  if (data.size() != 84 + 50 * static_cast<size_t>(count)) return c;
  c.read = true;
  c.triangles = count;
  using Point = std::tuple<float, float, float>;
  std::map<std::pair<Point, Point>, int> edges;
  c.lo = {1e30, 1e30, 1e30};
  c.hi = {-1e30, -1e30, -1e30};
  for (uint32_t t = 0; t < count; ++t) {
    float v[12];
    std::memcpy(v, data.data() + 84 + 50 * static_cast<size_t>(t), sizeof v);
    Point p[3];
    double q[3][3];
    for (int k = 0; k < 3; ++k) {
      p[k] = Point(v[3 + 3 * k], v[4 + 3 * k], v[5 + 3 * k]);
      for (int a = 0; a < 3; ++a) {
        q[k][a] = v[3 + 3 * k + a];
        c.lo[a] = std::min(c.lo[a], q[k][a]);
        c.hi[a] = std::max(c.hi[a], q[k][a]);
      }
    }
    for (int k = 0; k < 3; ++k) ++edges[{p[k], p[(k + 1) % 3]}];
    c.volume += (q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) -
                 q[0][1] * (q[1][0] * q[2][2] - q[1][2] * q[2][0]) +
                 q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0])) /
                6.0;
  }
  for (const auto& [e, n] : edges) {
    const auto back = edges.find({e.second, e.first});
    if (n != 1 || back == edges.end() || back->second != 1) c.closed = false;
  }
  return c;
}

}  // namespace zvtest
