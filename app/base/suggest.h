// "Did you mean ...?": the nearest of a few known names to a word a user mistyped.
#pragma once

#include <string>
#include <vector>

namespace zvapp {

// Optimal string alignment distance (insertions, deletions, substitutions and swaps of two
// neighbours), ignoring case.
size_t EditDistance(const std::string& a, const std::string& b);

// The known names closest to `word`, closest first (ties in the order given), at most `limit`.
std::vector<std::string> ClosestNames(const std::string& word,
                                      const std::vector<std::string>& known, size_t limit);
// The same, keeping only names close enough to be a slip of the fingers (about one edit in three
// letters).
std::vector<std::string> NearestNames(const std::string& word,
                                      const std::vector<std::string>& known, size_t limit = 3);

// "a", "a or b", "a, b or c".
std::string OneOf(const std::vector<std::string>& names);

// " (did you mean X?)", " (did you mean X or Y?)", or nothing when no name is near.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& known);

}  // namespace zvapp
