#include "number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace zvhost {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

double Read(const std::string& text) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_TRUE(r.ec == std::errc() && r.ptr == text.data() + text.size()) << text;
  return v;
}

TEST(FormatFloatTest, Examples) {
  const struct {
    double v;
    int vvk, nnk;
    bool e;
    char32_t fill;
    const char* text;
  } cases[] = {
      {-180, -1, -3, false, U' ', "-180"},
      {-172.8, -1, -3, false, U' ', "-172.8"},
      {1e-05, -1, -3, false, U' ', "0.00001"},
      {1e-300, -1, -3, false, U' ', "1e-300"},  // fixed would be too long
      {1e300, -1, -3, false, U' ', "1e+300"},
      {123456789012.5, -1, -1, false, U' ', "123456789012.5"},
      {-180, -1, 1, false, U' ', "-180.0"},
      {0, -1, 1, false, U' ', "0.0"},
      {-0.0, -1, -3, false, U' ', "0"},
      {-0.04, -1, 1, false, U' ', "0.0"},  // no negative zero text
      {-0.0, -1, 2, true, U' ', "0.00e+00"},
      {0.8, -1, 2, false, U' ', "0.80"},
      {2.5, -1, 0, false, U' ', "2"},  // exact ties to even
      {3.5, -1, 0, false, U' ', "4"},
      {0.125, -1, 2, false, U' ', "0.12"},
      {2.675, -1, 2, false, U' ', "2.67"},  // 2.675 is a little below 2.675 in binary
      {0.1, -1, 99, false, U' ', "0.10000000000000000555"},  // at most 20 decimals
      {1234.5, -1, 2, true, U' ', "1.23e+03"},
      {1234.5, -1, -1, true, U' ', "1.2345e+03"},
      {5, 3, 0, false, U'0', "005"},
      {-5.25, 3, 1, false, U'0', "-005.2"},
      {-5, 3, -1, false, U' ', "  -5"},
      {5, 3, -1, false, U'\u00B7', "\u00B7\u00B75"},
      {5, 2, -1, false, U'\U0001F600', "\U0001F6005"},
      {5, 2, -1, false, char32_t{0xD800}, " 5"},  // not a character: a blank
      {5, 2, -1, false, char32_t{0}, " 5"},
      {5, 2, -1, false, char32_t{0x110000}, " 5"},
      {12345, 3, -1, false, U'0', "12345"},
      {kInf, 5, 2, false, U'0', "inf"},
      {-kInf, -1, -1, false, U' ', "-inf"},
      {-std::numeric_limits<double>::quiet_NaN(), -1, 3, false, U' ', "nan"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloat(c.v, c.vvk, c.nnk, c.e, c.fill), c.text)
        << c.v << " vvk=" << c.vvk << " nnk=" << c.nnk << " e=" << c.e;
  }
  EXPECT_EQ(FormatFloat(1, 1000000, 0, false, U'0').size(), 64u);  // padding is capped
}

TEST(FormatFloatTest, ShortestTextReadsBackAndAvoidsExponentWhenShort) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 50000; ++i) {
    const double v = std::bit_cast<double>(rng());
    if (!std::isfinite(v)) continue;
    const std::string text = FormatFloat(v, -1, -1, false, U' ');
    ASSERT_EQ(Read(text), v) << text;
    ASSERT_LE(text.size(), 40u + 24u) << text;
    const double magnitude = std::fabs(v);
    if (magnitude >= 1e-20 && magnitude < 1e20) {
      ASSERT_EQ(text.find('e'), std::string::npos) << text;
    }
  }
}

TEST(FormatFloatTest, FixedDecimalsAreRoundedAndNeverNegativeZero) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> dist(-2, 2);
  for (int i = 0; i < 20000; ++i) {
    const double v = dist(rng) * std::pow(10.0, static_cast<double>(rng() % 8) - 4);
    const int decimals = static_cast<int>(rng() % 6);
    const std::string text = FormatFloat(v, -1, decimals, false, U' ');
    const std::size_t dot = text.find('.');
    if (decimals == 0) {
      ASSERT_EQ(dot, std::string::npos) << text;
    } else {
      ASSERT_EQ(text.size() - dot - 1, static_cast<std::size_t>(decimals)) << text;
    }
    ASSERT_LE(std::fabs(Read(text) - v), 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9)) << text;
    if (text[0] == '-') {
      ASSERT_NE(Read(text), 0.0) << text;
    }
  }
}

}  // namespace
}  // namespace zvhost
