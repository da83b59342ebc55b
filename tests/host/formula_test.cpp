#include "formula.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <numbers>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "number_text.h"

// Counts heap allocations, to check that evaluating known shapes does not allocate.
namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// Every other plain form goes to the same allocator, so that no deletion in this program meets
// memory from another one (the host's objects are made with the nothrow form).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
// Kept out of line: once inlined, GCC takes the free() for a mismatch with operator new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace zvhost {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kDeg = std::numbers::pi / 180.0;

double Eval(std::string_view text) {
  FormulaDiagnostic diag;
  const double v = EvaluateExpression(text, &diag);
  EXPECT_TRUE(diag.ok) << "'" << text << "': " << diag.message;
  return v;
}

// Joins text pieces (GCC 12 at -O3 wrongly warns about "literal" + std::string).
template <typename... Parts>
std::string Cat(const Parts&... parts) {
  std::string out;
  (out.append(parts), ...);
  return out;
}

// A number as the host writes it into a formula: negative numbers in parentheses.
std::string Num(double v) {
  const std::string text = FormatFloat(v, -1, -3, false, U' ');
  return v < 0 ? Cat("(", text, ")") : text;
}

// Equal within tolerance * max(1, |expected|, scale); NaN matches NaN, infinities match by sign.
testing::AssertionResult Close(double actual, double expected, double tolerance = 1e-12,
                               double scale = 1.0) {
  const double bound = tolerance * std::fmax(std::fmax(1.0, scale), std::fabs(expected));
  if (std::isnan(expected)   ? std::isnan(actual)
      : std::isinf(expected) ? actual == expected
                             : std::fabs(actual - expected) <= bound) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << actual << " != " << expected;
}

struct Case {
  const char* text;
  double value;
};

// Evaluates each text and expects exactly its value (NaN matching NaN).
void ExpectValues(std::span<const Case> cases) {
  for (const Case& c : cases) {
    const double v = Eval(c.text);
    EXPECT_TRUE(v == c.value || (std::isnan(v) && std::isnan(c.value))) << c.text << " = " << v;
  }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FormulaTest, PrecedenceAndAssociativity) {
  const Case cases[] = {
      {"1 + 2 * 3", 7},     {"(1 + 2) * 3", 9},  {"-2^2", -4},     {"(-2)^2", 4},
      {"2^-1", 0.5},        {"2^3^2", 512},      {"2 * 3^2", 18},  {"1 - -2", 3},
      {"--2", 2},           {"+-+2", -2},        {"8 / 2 / 2", 2}, {"8 - 2 - 2", 4},
      {"2^-2^2", 1.0 / 16}, {"-2^-2", -0.25},    {"\t1\t+ 1 ", 2}, {"((((1))))", 1},
      {"2 * -3", -6},       {"12 / -4 * 3", -9},
  };
  ExpectValues(cases);
}

TEST(FormulaTest, NumbersReadExactlyAsFromChars) {
  EXPECT_EQ(Eval(".5"), 0.5);
  EXPECT_EQ(Eval("5."), 5.0);
  EXPECT_EQ(Eval("1e-05"), 1e-05);
  EXPECT_EQ(Eval("1.5E+300"), 1.5e300);
  EXPECT_EQ(Eval("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(Eval("-INF"), -kInf);
  EXPECT_EQ(Eval("Infinity"), kInf);
  EXPECT_TRUE(std::isnan(Eval("NaN")));
  EXPECT_EQ(Eval("1e400"), kInf);  // out of range: overflow and underflow as in IEEE rounding
  EXPECT_EQ(Eval("1e-400"), 0.0);

  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {  // short decimals such as "172.8" or "0.00125e-7"
    std::string text = std::to_string(rng() % 100000000000000000);
    const std::size_t dot = rng() % (text.size() + 1);
    text = Cat(text.substr(0, dot), ".", text.substr(dot));
    if (text == ".") continue;
    if (i % 2) text = Cat(text, "e", std::to_string(static_cast<int>(rng() % 61) - 30));
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(Eval(text), expected) << text;
  }
  const std::chars_format formats[] = {std::chars_format::general, std::chars_format::scientific,
                                       std::chars_format::fixed};
  for (int i = 0; i < 20000; ++i) {
    const double v = std::bit_cast<double>(rng());
    if (!std::isfinite(v)) continue;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, formats[i % 3]);
    const std::string text(buf, r.ptr);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(Eval(text)), std::bit_cast<std::uint64_t>(v)) << text;
  }
}

TEST(FormulaTest, FunctionsMatchCmathWithDegrees) {
  for (double d : {-720.5, -135.0, -44.0, -1e-7, 0.0, 12.5, 60.0, 100.0, 179.9, 1000.0}) {
    EXPECT_TRUE(Close(Eval(Cat("Sin(", Num(d), ")")), std::sin(d * kDeg), 1e-14)) << d;
    EXPECT_TRUE(Close(Eval(Cat("Cos(", Num(d), ")")), std::cos(d * kDeg), 1e-14)) << d;
    EXPECT_TRUE(Close(Eval(Cat("Tan(", Num(d), ")")), std::tan(d * kDeg), 1e-13)) << d;
  }
  for (double v : {-1.0, -0.3, 0.0, 0.5, 0.9}) {
    EXPECT_TRUE(Close(Eval(Cat("ASin(", Num(v), ")")), std::asin(v) / kDeg)) << v;
    EXPECT_TRUE(Close(Eval(Cat("ACos(", Num(v), ")")), std::acos(v) / kDeg)) << v;
    EXPECT_TRUE(Close(Eval(Cat("ATan(", Num(v * 50), ")")), std::atan(v * 50) / kDeg)) << v;
    EXPECT_TRUE(Close(Eval(Cat("ATan2(", Num(v), "; -2)")), std::atan2(v, -2) / kDeg)) << v;
  }
  for (double v : {-2.5, -0.5, 0.0, 0.5, 1.5, 2.5, 7.25}) {
    const std::string a = Cat("(", Num(v), ")");
    EXPECT_TRUE(Close(Eval(Cat("Sinh", a)), std::sinh(v)));
    EXPECT_TRUE(Close(Eval(Cat("Cosh", a)), std::cosh(v)));
    EXPECT_TRUE(Close(Eval(Cat("Tanh", a)), std::tanh(v)));
    EXPECT_TRUE(Close(Eval(Cat("Exp", a)), std::exp(v)));
    EXPECT_TRUE(Close(Eval(Cat("Log", a)), std::log(v)));
    EXPECT_TRUE(Close(Eval(Cat("Log10", a)), std::log10(v)));
    EXPECT_TRUE(Close(Eval(Cat("Sqrt", a)), std::sqrt(v)));
    EXPECT_EQ(Eval(Cat("Abs", a)), std::fabs(v));
    EXPECT_EQ(Eval(Cat("Floor", a)), std::floor(v));
    EXPECT_EQ(Eval(Cat("Ceil", a)), std::ceil(v));
    EXPECT_EQ(Eval(Cat("Round", a)), std::round(v));  // halves away from zero
    EXPECT_EQ(Eval(Cat("Sign", a)), v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0));
    EXPECT_EQ(Eval(Cat("Pow(", Num(v), "; 3)")), std::pow(v, 3));
    EXPECT_EQ(Eval(Cat("Min(", Num(v), "; 0.5)")), std::fmin(v, 0.5));
    EXPECT_EQ(Eval(Cat("Max(", Num(v), "; 0.5)")), std::fmax(v, 0.5));
  }
}

TEST(FormulaTest, DegreeTrigIsExactAtNodes) {
  const Case cases[] = {
      {"Sin(0)", 0},      {"Sin(180)", 0},       {"Sin(-180)", 0},
      {"Sin(360)", 0},    {"Sin(-1440)", 0},     {"Cos(90)", 0},
      {"Cos(-90)", 0},    {"Cos(270)", 0},       {"Tan(180)", 0},
      {"Tan(-360)", 0},   {"Sin(90)", 1},        {"Sin(-90)", -1},
      {"Cos(180)", -1},   {"Sin(30)", 0.5},      {"Sin(150)", 0.5},
      {"Cos(60)", 0.5},   {"Cos(240)", -0.5},    {"Tan(45)", 1},
      {"Tan(-45)", -1},   {"Tan(135)", -1},      {"Tan(90)", kInf},
      {"Tan(-90)", kInf}, {"ASin(1)", 90},       {"ACos(-1)", 180},
      {"ATan(1)", 45},    {"ATan2(1; -1)", 135}, {"Sin(90 + 360 * 1e9)", 1},
  };
  ExpectValues(cases);  // poles of Tan give +inf
  EXPECT_EQ(Eval("Sin(1e300)"), std::sin(std::remainder(1e300, 360.0) * kDeg));
}

TEST(FormulaTest, NamesIgnoreCaseAndCommaSeparates) {
  const Case cases[] = {
      {"sin(90) + SIN(90) + sIn(90)", 3}, {"pi", std::numbers::pi}, {"Pi()", std::numbers::pi},
      {"2 * PI", 2 * std::numbers::pi},   {"Max(1, 2)", 2},         {"atan2 ( 1 ,1 )", 45},
  };
  ExpectValues(cases);
}

TEST(FormulaTest, IeeeDomainResults) {
  const Case cases[] = {
      {"Log(-1)", kNaN},   {"Sqrt(-1)", kNaN}, {"ASin(2)", kNaN},     {"0 / 0", kNaN},
      {"inf - inf", kNaN}, {"Sin(inf)", kNaN}, {"Min(nan; 1)", kNaN}, {"Max(1; nan)", kNaN},
      {"1 / 0", kInf},     {"-1 / 0", -kInf},  {"Log(0)", -kInf},     {"Exp(1000)", kInf},
      {"10^400", kInf},
  };
  ExpectValues(cases);  // Min and Max propagate NaN
}

struct Preset {
  const char* text;
  double (*expected)(double x, double z);
  double (*scale)(double x, double z) = nullptr;  // size of rounding effects, if above 1
};

const Preset kPresets[] = {
    {"Sin(x) * Cos(z)", [](double x, double z) { return std::sin(x * kDeg) * std::cos(z * kDeg); }},
    {"x^3 * Sin(z * 10)", [](double x, double z) { return x * x * x * std::sin(z * 10 * kDeg); },
     [](double x, double) { return std::fabs(x * x * x); }},
    {"x * x * z", [](double x, double z) { return x * x * z; }},
    {"Tan(x) * Atan(z)",
     [](double x, double z) { return std::tan(x * kDeg) * std::atan(z) / kDeg; },
     [](double, double) { return 100.0; }},
    {"Pow(Sin(x); 3)", [](double x, double) { return std::pow(std::sin(x * kDeg), 3); }},
    {"(x * x) / (z * z)", [](double x, double z) { return (x * x) / (z * z); }},
    {"Pow((x * x) + (z * z); 0.5)", [](double x, double z) { return std::sqrt(x * x + z * z); }},
    {"Cos(Abs(x) + Abs(z))",
     [](double x, double z) { return std::cos((std::fabs(x) + std::fabs(z)) * kDeg); }},
    {"Log(x)", [](double x, double) { return std::log(x); }},
    {"x * Cos(z)", [](double x, double z) { return x * std::cos(z * kDeg); },
     [](double x, double) { return std::fabs(x); }},
    {"Sin(Sqrt((x * x) + (z * z)))",
     [](double x, double z) { return std::sin(std::sqrt(x * x + z * z) * kDeg); }},
};

// Replaces the names x and z (not letters inside other names) with numbers.
std::string Substitute(std::string_view formula, double x, double z) {
  std::string out;
  for (std::size_t i = 0; i < formula.size(); ++i) {
    const char c = formula[i];
    const bool alone =
        (i == 0 || !std::isalnum(static_cast<unsigned char>(formula[i - 1]))) &&
        (i + 1 == formula.size() || !std::isalnum(static_cast<unsigned char>(formula[i + 1])));
    if (alone && (c == 'x' || c == 'z')) {
      out += Num(c == 'x' ? x : z);
    } else {
      out += c;
    }
  }
  return out;
}

TEST(FormulaTest, PresetFormulasOverTheGrid) {
  EXPECT_EQ(Substitute("Tan(x) * Max(z; x)", -180, 2.5), "Tan((-180)) * Max(2.5; (-180))");
  for (const Preset& p : kPresets) {
    for (int i = 0; i <= 50; ++i) {
      for (int j = 0; j <= 50; ++j) {
        const double x = -180 + 7.2 * i, z = -180 + 7.2 * j;
        const std::string text = Substitute(p.text, x, z);
        const double scale = p.scale ? p.scale(x, z) : 1.0;
        ASSERT_TRUE(Close(Eval(text), p.expected(x, z), 1e-12, scale)) << text;
      }
    }
  }
}

TEST(FormulaTest, DiagnosticsGiveMessageAndColumn) {
  const struct {
    std::string_view text;
    const char* message;
    int column;
  } cases[] = {
      {"", "empty formula", 1},
      {" \t ", "empty formula", 1},
      {"Sinn(30)", "unknown function 'Sinn'", 1},
      {"x", "unknown name 'x'", 1},
      {"2 * T + 1", "unknown name 'T'", 5},
      {"1 2", "expected an operator before '2'", 3},
      {"2x", "expected an operator before 'x'", 2},
      {"(1 + 2", "expected ')'", 7},
      {"Sin(30 * (2)", "expected ')'", 13},
      {"1 +", "unexpected end of formula", 4},
      {"1 + * 2", "unexpected '*'", 5},
      {"1)", "unmatched ')'", 2},
      {"Sin(1; 2)", "too many arguments for 'Sin' (expects 1)", 6},
      {"pow(1)", "too few arguments for 'pow' (expects 2)", 6},
      {"Cos()", "too few arguments for 'Cos' (expects 1)", 5},
      {"Sin 30", "expected '(' after 'Sin'", 5},
      {"1 # 2", "unexpected character '#'", 3},
      {"(1 + \xC3\xA9)", "unexpected character '\xC3\xA9'", 6},
      {std::string_view("1\0+2", 4), "unexpected byte 0x00", 2},
      {"1 + \xFF", "unexpected byte 0xFF", 5},
  };
  FormulaDiagnostic diag;
  for (const auto& c : cases) {
    EXPECT_EQ(EvaluateExpression(c.text, &diag), 0.0);
    EXPECT_FALSE(diag.ok);
    EXPECT_EQ(diag.message, c.message) << c.text;
    EXPECT_EQ(diag.column, c.column) << c.text;
  }
  EXPECT_EQ(EvaluateExpression("1 + 1", &diag), 2.0);  // a good text clears the diagnostic
  EXPECT_TRUE(diag.ok);
  EXPECT_EQ(diag.message, "");
  EXPECT_EQ(diag.column, 0);
}

TEST(FormulaTest, NestingIsBounded) {
  EXPECT_EQ(Eval(Cat(std::string(150, '('), "1", std::string(150, ')'))), 1.0);
  EXPECT_EQ(Eval(Cat("Sin(", std::string(100, '-'), "90)")), 1.0);
  std::string powers;
  for (int i = 0; i < 100000; ++i) powers += "2^";
  const std::string deep[] = {std::string(100000, '('), Cat(std::string(100000, '-'), "1"),
                              Cat(powers, "2"), Cat("Sin(", powers)};
  for (const std::string& text : deep) {
    FormulaDiagnostic diag;
    EXPECT_EQ(EvaluateExpression(text, &diag), 0.0);
    EXPECT_EQ(diag.message.rfind("nesting too deep", 0), 0u) << diag.message;
  }
  std::string sum = "1";  // a long flat formula needs no nesting
  for (int i = 1; i < 500000; ++i) sum += "+1";
  EXPECT_EQ(Eval(sum), 500000.0);
}

TEST(FormulaTest, CacheKeepsShapesAndNumbersApart) {
  EXPECT_EQ(Eval("Sin(30) * Cos(60)"), 0.25);
  EXPECT_EQ(Eval("Sin(90) * Cos(0)"), 1.0);
  EXPECT_EQ(Eval("sin(90) * cos(180)"), -1.0);
  EXPECT_EQ(Eval("1 + 2"), 3.0);
  EXPECT_EQ(Eval("1 - 2"), -1.0);
  EXPECT_EQ(Eval("1e2 - 2"), 98.0);
  EXPECT_EQ(Eval("Min(1, 2)"), 1.0);
  EXPECT_EQ(Eval("Min(3; 2)"), 2.0);
  EXPECT_EQ(Eval("inf"), kInf);
  EXPECT_EQ(Eval("5"), 5.0);
  // More shapes than the cache holds, twice over, and texts with many numbers.
  for (int round = 0; round < 2; ++round) {
    std::string text = "0";
    for (int n = 1; n <= 100; ++n) {
      text = Cat(text, "+", std::to_string(n));
      ASSERT_EQ(Eval(text), n * (n + 1) / 2.0) << text;
    }
  }
}

// Texts of one shape that differ in a literal or two, as a plot's nodes do: a literal is read again
// whenever its spelling changed, even to one that begins with the last one, and other shapes in
// between do not leave stale numbers behind.
TEST(FormulaTest, LiteralsChangedBetweenTextsOfOneShapeAreReadAgain) {
  const std::vector<std::string> spellings = {"1",      "1.5", "1.50", "15",  "1.5e1", "1.5E+1",
                                              "0.15e2", "2",   "12",   "125", ".5",    "5."};
  std::mt19937 rng(7);
  std::vector<std::size_t> pick = {0, 0, 0, 0};
  for (int i = 0; i < 5000; ++i) {
    pick[rng() % pick.size()] = rng() % spellings.size();
    if (rng() % 4 == 0) pick[rng() % pick.size()] = rng() % spellings.size();
    std::vector<double> v;
    for (const std::size_t k : pick) v.push_back(std::strtod(spellings[k].c_str(), nullptr));
    const std::string text = Cat(spellings[pick[0]], " + ", spellings[pick[1]], " * (",
                                 spellings[pick[2]], " - ", spellings[pick[3]], ")");
    ASSERT_EQ(Eval(text), v[0] + v[1] * (v[2] - v[3])) << text;
    if (rng() % 10 == 0) {
      const std::string other = Cat(spellings[pick[3]], " - ", spellings[pick[0]]);
      ASSERT_EQ(Eval(other), v[3] - v[0]) << other;
    }
  }
}

TEST(FormulaTest, SteadyStateDoesNotAllocate) {
  std::vector<std::string> texts;
  for (int i = 0; i < 100; ++i)
    texts.push_back(Cat("Sin(", Num(-180 + 3.6 * i), ") * Cos(-172.8)"));
  FormulaDiagnostic diag;
  for (const std::string& text : texts) EvaluateExpression(text, &diag);  // learn the shapes
  const long before = g_allocations.load();
  double sum = 0;
  for (const std::string& text : texts) sum += EvaluateExpression(text, &diag);
  EXPECT_EQ(g_allocations.load() - before, 0);
  EXPECT_TRUE(std::isfinite(sum));
}

TEST(FormulaTest, ThreadsEvaluateIndependently) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 3000; ++i) {
        const double v = t * 1000 + i;
        const std::string text = t % 2 ? Cat(Num(v), " * 2") : Cat("Abs(", Num(-v), ") - 1");
        if (EvaluateExpression(text) != (t % 2 ? v * 2 : v - 1)) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

// A random formula of the language, with blanks here and there.
std::string RandomFormula(std::mt19937& rng, int depth) {
  static const char* const kOne[] = {"Sin",  "cos",  "TAN",   "ASin", "Acos",  "Atan",
                                     "Sinh", "Cosh", "Tanh",  "Exp",  "Log",   "Log10",
                                     "Sqrt", "Abs",  "Floor", "Ceil", "Round", "Sign"};
  static const char* const kTwo[] = {"ATan2", "Pow", "Min", "max"};
  static const char* const kOps[] = {" + ", "-", " * ", "/", "^", " - "};
  const auto sub = [&] { return RandomFormula(rng, depth + 1); };
  switch (depth > 4 ? 0 : rng() % 7) {
    case 0: {
      switch (rng() % 8) {
        case 0:
          return "Pi";
        case 1:
          return rng() % 2 ? "inf" : "NaN";
        case 2:
          return Cat(std::to_string(rng() % 1000), "e-", std::to_string(rng() % 30));
        default:
          return FormatFloat(
              std::ldexp(static_cast<double>(rng() % 100000), -static_cast<int>(rng() % 12)), -1,
              -3, false, U' ');
      }
    }
    case 1:
      return Cat("-", sub());
    case 2:
    case 3:
      return Cat(sub(), kOps[rng() % 6], sub());
    case 4:
      return Cat("(", sub(), ")");
    case 5:
      return Cat(kOne[rng() % 18], "(", sub(), ")");
    default:
      return Cat(kTwo[rng() % 4], "(", sub(), rng() % 2 ? "; " : ",", sub(), ")");
  }
}

// Random texts must not crash, and the cached evaluation must agree with the plain one, which
// long texts take: the same text after 600 blanks.
TEST(FormulaTest, SurvivesRandomInputAndCacheAgrees) {
  static const char kAlphabet[] = "0123456789.eE+-*/^();, \tSinCosPiNfxz";
  const std::string padding(600, ' ');
  std::mt19937 rng(12345);
  FormulaDiagnostic diag, padded_diag;
  int parsed = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    if (i % 2) {  // random characters, some of them any byte
      text.resize(rng() % 40);
      for (char& c : text) {
        c = rng() % 8 ? kAlphabet[rng() % (sizeof kAlphabet - 1)] : static_cast<char>(rng());
      }
    } else {  // a formula, sometimes with one character changed
      text = RandomFormula(rng, 0);
      if (rng() % 3 == 0) text[rng() % text.size()] = kAlphabet[rng() % (sizeof kAlphabet - 1)];
    }
    const double v = EvaluateExpression(text, &diag);
    const double padded = EvaluateExpression(padding + text, &padded_diag);
    ASSERT_EQ(diag.ok, padded_diag.ok) << text;
    ASSERT_EQ(diag.message, padded_diag.message) << text;
    if (diag.ok) {
      ++parsed;
      ASSERT_TRUE(std::bit_cast<std::uint64_t>(v) == std::bit_cast<std::uint64_t>(padded) ||
                  (std::isnan(v) && std::isnan(padded)))
          << text;
    } else {
      ASSERT_EQ(v, 0.0);
      ASSERT_FALSE(diag.message.empty());
      ASSERT_GE(diag.column, 1);
      ASSERT_LE(diag.column, static_cast<int>(text.size()) + 1);
      if (diag.message != "empty formula") {
        ASSERT_EQ(padded_diag.column, diag.column + 600) << text;
      }
    }
  }
  EXPECT_GT(parsed, 5000);
}

TEST(FormulaTest, ReadsBackWhatFormatFloatWrites) {
  std::mt19937_64 rng(99);
  std::vector<double> values = {1e-300, 1e300, -1e-5, 0.1, -172.8, 5e-324, 1.7976931348623157e308};
  for (int i = 0; i < 20000; ++i) values.push_back(std::bit_cast<double>(rng()));
  std::uniform_real_distribution<double> grid(-1000, 1000);
  for (int i = 0; i < 20000; ++i) values.push_back(grid(rng));
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    const std::string text = FormatFloat(v, -1, -3, false, U' ');
    ASSERT_EQ(Eval(text), v) << text;
  }
}

}  // namespace
}  // namespace zvhost
