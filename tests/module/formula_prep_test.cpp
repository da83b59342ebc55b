// Writing variable values into formulas and evaluating them through the host.
#include <cmath>

#include "test_support.h"
#include "zvplot.h"
#include "zvplot_formula.h"

namespace {

constexpr double kDeg = PI / 180.0;

std::string Prepared(const char* formula, const FormulaValues& v, bool* timeDependent = nullptr) {
  Bool usesTime = false;
  const String text = PrepareFormula(String(formula), v, &usesTime);
  if (timeDependent) *timeDependent = usesTime;
  return text.GetStdString();
}

TEST(FormulaPreparation, StandaloneLettersOnly) {
  const FormulaValues v = {0.5, -180, -172.8, 50, 25, 15};
  EXPECT_EQ(Prepared("Sin(x) * Cos(z)", v), "Sin((-180)) * Cos((-172.8))");
  EXPECT_EQ(Prepared("x * x", v), "(-180) * (-180)");
  EXPECT_EQ(Prepared("2x", v), "2x");
  EXPECT_EQ(Prepared("max(x; h)", v), "max((-180); 50)");
  EXPECT_EQ(Prepared("Sqrt(r) + X + T + F", v), "Sqrt(25) + X + T + F");
  EXPECT_EQ(Prepared("x_1 + x.5", v), "(-180)_1 + (-180).5");
  bool timeDependent = true;
  EXPECT_EQ(Prepared("tan(x)", v, &timeDependent), "tan((-180))");
  EXPECT_FALSE(timeDependent);
  EXPECT_EQ(Prepared("t", v, &timeDependent), "0.5");
  EXPECT_TRUE(timeDependent);
  EXPECT_EQ(Prepared("f", v, &timeDependent), "15");
  EXPECT_TRUE(timeDependent);
}

TEST(FormulaPreparation, SpecialNumbersNeverIntroduceVariables) {
  const FormulaValues v = {0,      std::numeric_limits<double>::infinity(),
                           -0.0,   std::numeric_limits<double>::quiet_NaN(),
                           1e-300, 0};
  EXPECT_EQ(Prepared("x + z + h + r", v), "inf + 0 + nan + 1e-300");
  zvtest::Scene s;
  EXPECT_FALSE(UsesTimeVariable("inf"));
  EXPECT_TRUE(UsesTimeVariable("x * t"));
  EXPECT_FALSE(UsesTimeVariable("Sqrt(x) + tan(z) + F"));
}

TEST(FormulaPreparation, NegativeValuesKeepPrecedence) {
  zvtest::Scene s;
  const FormulaValues v = {0, -2, 0, 0, 0, 0};
  // Written bare, -2 would give -2^2 = -4 and 1 - -2 would still be 3; x^3 and 2^x differ too.
  EXPECT_EQ(EvaluateFormula("x^2", v, s.doc), 4.0);
  EXPECT_EQ(EvaluateFormula("1 - x", v, s.doc), 3.0);
  EXPECT_EQ(EvaluateFormula("2^x", v, s.doc), 0.25);
  EXPECT_EQ(EvaluateFormula("", v, s.doc), 0.0);
}

TEST(FormulaPreparation, PresetsMatchACalculator) {
  zvtest::Scene s;
  const double nodes[][2] = {{-180, -172.8}, {-36, 50.4}, {7.2, 7.2}, {93.6, -100.8}, {180, 180}};
  for (const auto& n : nodes) {
    const double x = n[0], z = n[1];
    const FormulaValues v = {0, x, z, 50, 25, 0};
    const double expected[PRESET_COUNT] = {
        std::sin(x * kDeg) * std::cos(z * kDeg),
        x * x * x * std::sin(z * 10 * kDeg),
        x * x * z,
        std::tan(x * kDeg) * std::atan(z) / kDeg,
        std::pow(std::sin(x * kDeg), 3),
        (x * x) / (z * z),
        std::pow(x * x + z * z, 0.5),
        std::cos((std::fabs(x) + std::fabs(z)) * kDeg),
        std::log(x),
        x * std::cos(z * kDeg),
        std::sin(std::sqrt(x * x + z * z) * kDeg),
    };
    for (Int32 k = 0; k < PRESET_COUNT; ++k) {
      const double got = EvaluateFormula(PresetFormula(k), v, s.doc);
      if (std::isnan(expected[k])) {
        EXPECT_TRUE(std::isnan(got)) << PresetFormula(k) << " at " << x << ", " << z;
      } else {
        EXPECT_NEAR(got, expected[k], 1e-7 * std::max(1.0, std::fabs(expected[k])))
            << PresetFormula(k) << " at " << x << ", " << z;
      }
    }
  }
}

TEST(FormulaPreparation, IdentifierCharacters) {
  EXPECT_TRUE(IsIdentifierChar("a"));
  EXPECT_TRUE(IsIdentifierChar("z"));
  EXPECT_TRUE(IsIdentifierChar("0"));
  EXPECT_FALSE(IsIdentifierChar("A"));
  EXPECT_FALSE(IsIdentifierChar("_"));
  EXPECT_FALSE(IsIdentifierChar("("));
  EXPECT_TRUE(IsStandalone("x", 0));
  EXPECT_FALSE(IsStandalone("ex", 1));
  EXPECT_FALSE(IsStandalone("x2", 0));
}

}  // namespace
