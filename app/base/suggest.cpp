#include "suggest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace zvapp {
namespace {

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

size_t EditDistance(const std::string& a, const std::string& b) {
  const size_t n = a.size(), m = b.size();
  // Three rows: the swap of two neighbours looks two rows back.
  std::vector<size_t> before(m + 1), previous(m + 1), row(m + 1);
  for (size_t j = 0; j <= m; ++j) previous[j] = j;
  for (size_t i = 1; i <= n; ++i) {
    row[0] = i;
    for (size_t j = 1; j <= m; ++j) {
      const bool same = Fold(a[i - 1]) == Fold(b[j - 1]);
      row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && Fold(a[i - 1]) == Fold(b[j - 2]) && Fold(a[i - 2]) == Fold(b[j - 1]))
        row[j] = std::min(row[j], before[j - 2] + 1);
    }
    std::swap(before, previous);
    std::swap(previous, row);
  }
  return previous[m];
}

namespace {

std::vector<std::string> Closest(const std::string& word, const std::vector<std::string>& known,
                                 size_t limit, size_t allowed) {
  std::vector<std::pair<size_t, std::string>> near;
  for (const std::string& name : known) {
    const size_t d = EditDistance(word, name);
    if (d <= allowed && name != word) near.emplace_back(d, name);
  }
  std::stable_sort(near.begin(), near.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::string> names;
  for (const auto& [d, name] : near) {
    if (names.size() == limit) break;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

}  // namespace

std::vector<std::string> ClosestNames(const std::string& word,
                                      const std::vector<std::string>& known, size_t limit) {
  return Closest(word, known, limit, SIZE_MAX);
}

std::vector<std::string> NearestNames(const std::string& word,
                                      const std::vector<std::string>& known, size_t limit) {
  return Closest(word, known, limit, std::max<size_t>(1, (word.size() + 2) / 3));
}

std::string OneOf(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  return text;
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& known) {
  const std::vector<std::string> names = NearestNames(word, known);
  return names.empty() ? "" : " (did you mean " + OneOf(names) + "?)";
}

}  // namespace zvapp
