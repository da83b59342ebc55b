#include "text_outline.h"

#include <algorithm>
#include <cstddef>

namespace zvhost {

double SignedArea(const std::vector<Point2>& contour) {
  double sum = 0;
  for (std::size_t i = 0, n = contour.size(); i < n; ++i) {
    const Point2& a = contour[i];
    const Point2& b = contour[(i + 1) % n];
    sum += a[0] * b[1] - b[0] * a[1];
  }
  return 0.5 * sum;
}

bool CleanContour(std::vector<Point2>& contour) {
  contour.erase(std::unique(contour.begin(), contour.end()), contour.end());
  while (contour.size() > 1 && contour.front() == contour.back()) contour.pop_back();
  return contour.size() >= 3 && SignedArea(contour) != 0;
}

}  // namespace zvhost
