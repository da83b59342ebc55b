// The plot's formula as a user types it or a scene file holds it: its length limit and the check
// every formula passes before it reaches the plot.
#pragma once

#include <cstddef>
#include <string>

namespace zvapp {

// The longest formula: the legend shows "Formula: " and the formula, and a text lays out at most
// 4,096 characters.
inline constexpr size_t kMaxFormulaCharacters = 4000;

// A formula longer than kMaxFormulaCharacters, or one that does not parse: the message with the
// column, and a hint for a power written x**2. An empty formula parses (it plots 0).
bool CheckFormulaText(const std::string& formula, std::string* error, int* column);

}  // namespace zvapp
