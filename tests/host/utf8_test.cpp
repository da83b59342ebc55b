#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "host_utf8.h"

namespace zvhost {
namespace {

constexpr char32_t kFFFD = kReplacementCharacter;

std::string Hex(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04lX", static_cast<unsigned long>(c));
  return text;
}

// The n-byte form of c, whether or not n is the shortest (longer forms are overlong).
std::string Encode(char32_t c, int n) {
  if (n == 1) return std::string(1, static_cast<char>(c));
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  std::string s(static_cast<std::size_t>(n), '\0');
  for (int i = n - 1; i > 0; --i, c >>= 6) s[i] = static_cast<char>(0x80 | (c & 0x3F));
  s[0] = static_cast<char>(kLead[n] | c);
  return s;
}

TEST(Utf8, WellFormedSequencesAtTheirBoundaries) {
  const struct {
    std::string_view bytes;
    char32_t c;
  } cases[] = {{"\x7F", 0x7F},
               {"\xC2\x80", 0x80},
               {"\xDF\xBF", 0x7FF},
               {"\xE0\xA0\x80", 0x800},
               {"\xED\x9F\xBF", 0xD7FF},  // just below the surrogates
               {"\xEE\x80\x80", 0xE000},  // just above them
               {"\xEF\xBF\xBF", 0xFFFF},
               {"\xF0\x90\x80\x80", 0x10000},
               {"\xF4\x8F\xBF\xBF", 0x10FFFF}};
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8SequenceLength(c.bytes), c.bytes.size()) << Hex(c.c);
    EXPECT_EQ(DecodeUtf8(c.bytes), std::u32string(1, c.c)) << Hex(c.c);
    std::string written;
    AppendUtf8(&written, c.c);
    EXPECT_EQ(written, c.bytes) << Hex(c.c);
  }
  // Only the first sequence counts; a NUL is a character like any other.
  EXPECT_EQ(Utf8SequenceLength("\xC3\xA9\xC3\xA9"), 2u);
  EXPECT_EQ(Utf8SequenceLength(std::string_view("\0\xFF", 2)), 1u);
  EXPECT_EQ(Utf8SequenceLength(""), 0u);
}

TEST(Utf8, EveryCharacterRoundTripsAndNoOverlongFormIsAccepted) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string s;
    AppendUtf8(&s, c);
    const int shortest = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    ASSERT_EQ(s, Encode(c, shortest)) << Hex(c);
    ASSERT_EQ(Utf8SequenceLength(s), s.size()) << Hex(c);
    ASSERT_EQ(DecodeUtf8(s), std::u32string(1, c)) << Hex(c);
    for (int n = shortest + 1; n <= 4; ++n)
      ASSERT_EQ(Utf8SequenceLength(Encode(c, n)), 0u) << Hex(c) << " in " << n << " bytes";
  }
}

TEST(Utf8, IllFormedSequencesStartNothing) {
  for (std::string_view bad : {
           "\x80", "\xBF",                      // continuation bytes alone
           "\xC0\xAF", "\xC1\xBF",              // leads that can only start overlong forms
           "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",  // overlong three- and four-byte forms
           "\xED\xA0\x80", "\xED\xBF\xBF",      // surrogates
           "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF",  // beyond U+10FFFF
           "\xCF", "\xE2\x82", "\xF0\x9F\x98",              // truncated
           "\xE2\x28\xA1", "\xF0\x9F\xC3\xA9",              // a later byte is no continuation
       }) {
    EXPECT_EQ(Utf8SequenceLength(bad), 0u) << testing::PrintToString(bad);
    EXPECT_FALSE(IsUtf8(bad)) << testing::PrintToString(bad);
  }
}

TEST(Utf8, EachByteThatStartsNothingBecomesOneReplacement) {
  EXPECT_EQ(DecodeUtf8("a\xCFz"), (std::u32string{U'a', kFFFD, U'z'}));
  // Decoding resumes at the next byte, so a truncated or overlong form gives one per byte, and a
  // well-formed sequence right after a bad byte is read whole.
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98"), std::u32string(3, kFFFD));
  EXPECT_EQ(DecodeUtf8("\xE0\x80\xAF"), std::u32string(3, kFFFD));
  EXPECT_EQ(DecodeUtf8("\xE2\xCF\x80"), (std::u32string{kFFFD, U'\u03C0'}));
  EXPECT_EQ(DecodeUtf8(""), U"");

  EXPECT_EQ(ValidUtf8("a\xCFz\xF4\x90\x80\x80"),
            "a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  const std::string_view good = "x = \xCF\x80 \xC2\xB0 \xF0\x9F\x98\x80";
  EXPECT_EQ(ValidUtf8(good), good);
  EXPECT_TRUE(IsUtf8(good));
  EXPECT_TRUE(IsUtf8(""));
  EXPECT_TRUE(IsUtf8(ValidUtf8("\xFF\xC0\xAF\xED\xA0\x80")));
}

TEST(Utf8, WritingANonCharacterGivesTheReplacement) {
  for (char32_t c :
       {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}, char32_t{0xFFFFFFFF}}) {
    std::string s = "<";
    AppendUtf8(&s, c);
    EXPECT_EQ(s, "<\xEF\xBF\xBD") << Hex(c);
  }
}

}  // namespace
}  // namespace zvhost
