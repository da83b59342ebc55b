// The one-pass substitution against the plain one it replaces: for random formulas, ranges,
// resolutions, times and frames, every node's text is the same text byte for byte.
#include <cstring>
#include <limits>
#include <random>

#include "formula_reference.h"
#include "test_support.h"
#include "zvplot_formula.h"

namespace {

using zvtest::PlainSubstitution;

// Formulas of the characters that matter: the variables, letters and digits that join them into
// words, other characters that part them, and bytes of a multi-byte character.
std::string RandomFormula(std::mt19937_64& rng) {
  static const std::string kPieces[] = {
      "t", "x", "z", "h", "r", "f", "a", "e", "n",    "i",   "T",        "X",   "0",  "7", ".",
      "_", " ", "(", ")", "*", "-", "^", ";", "Sin(", "tan", "\xC3\xA9", "inf", "xz", "2x"};
  std::uniform_int_distribution<size_t> length(0, 24), piece(0, std::size(kPieces) - 1);
  std::string text;
  for (size_t n = length(rng); n > 0; --n) text += kPieces[piece(rng)];
  return text;
}

// Values as ranges give them: ordinary, negative, huge, tiny, zero of either sign and non-finite.
Float RandomValue(std::mt19937_64& rng) {
  static const Float kSpecial[] = {0.0,
                                   -0.0,
                                   1e300,
                                   -1e-300,
                                   1e21,
                                   0.1,
                                   -180.0,
                                   7.2,
                                   std::numeric_limits<Float>::infinity(),
                                   -std::numeric_limits<Float>::infinity(),
                                   std::numeric_limits<Float>::quiet_NaN()};
  std::uniform_int_distribution<int> pick(0, 3);
  if (pick(rng) == 0) return kSpecial[rng() % std::size(kSpecial)];
  return std::uniform_real_distribution<Float>(-500.0, 500.0)(rng);
}

TEST(FormulaTemplate, NodeTextsAreThoseOfThePlainSubstitution) {
  std::mt19937_64 rng(20240611);
  for (int round = 0; round < 400; ++round) {
    const String formula(RandomFormula(rng));
    const Int32 resolution = static_cast<Int32>(1 + rng() % 12);
    FormulaValues fixed = {RandomValue(rng),
                           0,
                           0,
                           static_cast<Float>(resolution),
                           RandomValue(rng),
                           static_cast<Float>(static_cast<Int32>(rng() % 200) - 50)};
    const Float xMin = RandomValue(rng), xStep = (RandomValue(rng) - xMin) / resolution;
    // Half the rounds without a z range of its own: z then runs over the values of x.
    const bool separate = rng() % 2 == 0;
    const Float zMin = separate ? RandomValue(rng) : xMin;
    const Float zStep = separate ? (RandomValue(rng) - zMin) / resolution : xStep;
    const FormulaGrid grid(formula, fixed, xMin, xStep, zMin, zStep, resolution + 1, nullptr);
    FormulaScratch scratch;
    const String& text = scratch.text;
    // Row after row as the plot goes, or column after column, so that every node changes row.
    const bool byColumn = rng() % 2 == 0;
    for (Int32 a = 0; a <= resolution; ++a) {
      for (Int32 b = 0; b <= resolution; ++b) {
        const Int32 i = byColumn ? b : a, j = byColumn ? a : b;
        FormulaValues v = {fixed[0], xMin + i * xStep, zMin + j * zStep,
                           fixed[3], fixed[4],         fixed[5]};
        bool timeDependent = false;
        const String plain = PlainSubstitution(formula, v, &timeDependent);
        const Float value = grid.Value(i, j, &scratch);
        if (formula.IsEmpty()) continue;
        ASSERT_EQ(text.GetStdString(), plain.GetStdString()) << formula.GetStdString();
        ASSERT_EQ(grid.UsesTime(), timeDependent) << formula.GetStdString();
        ASSERT_EQ(PrepareFormula(formula, v).GetStdString(), plain.GetStdString());
        const Float expected = StringToNumber(plain, FORMAT_FLOAT, 0).GetFloat();
        ASSERT_TRUE(std::memcmp(&value, &expected, sizeof value) == 0) << plain.GetStdString();
      }
    }
    bool timeDependent = false;
    PlainSubstitution(formula, fixed, &timeDependent);
    EXPECT_EQ(UsesTimeVariable(formula), timeDependent) << formula.GetStdString();
  }
}

TEST(FormulaTemplate, AnEmptyFormulaIsZeroEverywhere) {
  const FormulaValues fixed = {1, 0, 0, 4, 25, 3};
  const FormulaGrid grid(String(), fixed, -1, 0.5, -1, 0.5, 5, nullptr);
  FormulaScratch scratch;
  EXPECT_TRUE(grid.IsEmpty());
  EXPECT_EQ(grid.Value(4, 4, &scratch), 0.0);
}

}  // namespace
