// JSON text of the runner's files on its own, apart from any file's schema: the pretty writer's
// layout, the bounded reader's limits each at its edge and the place each refusal names, and the
// quoting of file pieces in messages. What a scene file's round trip already shows is not repeated.
#include "json_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

namespace {

using zvapp::jsontext::Json;
using zvapp::jsontext::JsonError;
using zvapp::jsontext::JsonLimits;

// The refusal `f` throws; fails the test when it throws none.
JsonError Refusal(const std::function<void()>& f) {
  try {
    f();
  } catch (const JsonError& e) {
    return e;
  }
  ADD_FAILURE() << "nothing was refused";
  return {};
}

TEST(JsonTextTest, PrettyTextPutsShortFlatValuesOnOneLineAndTheRestOneMemberALine) {
  using zvapp::jsontext::PrettyJson;
  EXPECT_EQ(PrettyJson(Json::parse(R"({"a": [1, 2.5, -0.0], "b": {"c": true}, "e": []})")),
            "{\n"
            "  \"a\": [1, 2.5, -0.0],\n"
            "  \"b\": {\"c\": true},\n"
            "  \"e\": []\n"
            "}");
  // Six plain values fit a line, seven do not; an object holding an object never does.
  EXPECT_EQ(PrettyJson(Json::parse("[1, 2, 3, 4, 5, 6]")), "[1, 2, 3, 4, 5, 6]");
  EXPECT_EQ(PrettyJson(Json::parse("[1, 2, 3, 4, 5, 6, 7]")),
            "[\n  1,\n  2,\n  3,\n  4,\n  5,\n  6,\n  7\n]");
  EXPECT_EQ(PrettyJson(Json::parse(R"({"x": [1, 2, 3, 4], "y": [1, 2, 3, 4, 5]})")),
            "{\n  \"x\": [1, 2, 3, 4],\n  \"y\": [1, 2, 3, 4, 5]\n}");
  // A flat value longer than a line is broken up, and a nested one is indented by its depth.
  const std::string longText(95, 'a');
  EXPECT_EQ(PrettyJson(Json::array({Json::array({longText, 1})})),
            "[\n  [\n    \"" + longText + "\",\n    1\n  ]\n]");
  EXPECT_EQ(PrettyJson(Json::object()), "{}");
}

TEST(JsonTextTest, NumbersAndTextsAreWrittenToReadBackAlike) {
  using zvapp::jsontext::FloatText;
  EXPECT_EQ(FloatText(1.0), "1.0");
  EXPECT_EQ(FloatText(-0.0), "-0.0");
  EXPECT_EQ(FloatText(1e-05), "1e-05");
  EXPECT_EQ(FloatText(1e300), "1e+300");
  EXPECT_EQ(zvapp::jsontext::PrettyJson(Json(std::uint64_t{18446744073709551615u})),
            "18446744073709551615");
  std::string quoted;
  zvapp::jsontext::QuoteText("\"\\/\n\x01\x1f\x7f \xc3\xa4", quoted);
  EXPECT_EQ(quoted, "\"\\\"\\\\/\\n\\u0001\\u001f\x7f \xc3\xa4\"");
  EXPECT_EQ(Json::parse(quoted).get<std::string>(), "\"\\/\n\x01\x1f\x7f \xc3\xa4");
}

constexpr JsonLimits kSmall = {
    .depth = 3, .arrayItems = 4, .members = 3, .textBytes = 5, .keyBytes = 4, .values = 12};

TEST(JsonTextTest, EachLimitHoldsAtItsEdgeAndIsRefusedPastItWhereItIsPassed) {
  using zvapp::jsontext::ParseJson;
  struct Case {
    const char* fits;
    const char* past;
    const char* at;
    const char* problem;
  };
  const Case cases[] = {
      {"[[[]]]", "[[[[]]]]", "/0/0/0", "deeper than 3 levels"},
      {"[1, 2, 3, 4]", "[1, 2, 3, 4, 5]", "/4", "more than 4 items"},
      {R"({"a": 1, "b": 2, "c": 3})", R"({"a": 1, "b": 2, "c": 3, "d": 4})", "/d",
       "more than 3 members"},
      {R"(["abcde"])", R"(["abcdef"])", "/0", "longer than 5 bytes"},
      {R"({"k/~k": 1})", R"({"x": {"abcde": 1}})", "/x/abcd", "longer than 4 bytes"},
      {"[[0, 1, 2, 3], [4, 5, 6, 7], 8]", "[[0, 1, 2, 3], [4, 5, 6, 7], [9]]", "/2/0",
       "more than 12 values"},
      {R"({"a": {"a": 1}})", R"({"a": [{"b": 1, "b": 2}]})", "/a/0/b", "appears twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.past);
    EXPECT_NO_THROW(ParseJson(c.fits, kSmall));
    const JsonError e = Refusal([&] { ParseJson(c.past, kSmall); });
    EXPECT_EQ(e.at, c.at);
    EXPECT_NE(e.problem.find(c.problem), std::string::npos) << e.problem;
  }
}

TEST(JsonTextTest, PlacesAndQuotedPiecesAreSafeToPrint) {
  using zvapp::jsontext::At;
  using zvapp::jsontext::Printable;
  EXPECT_EQ(At(At("", "a/b~c"), 3), "/a~1b~0c/3");
  EXPECT_EQ(Printable("tab\t del\x7f bad\xff\xe2\x82 ok \xe2\x82\xac"),
            "tab\\x09 del\\x7f bad\\xff\\xe2\\x82 ok \xe2\x82\xac");
  const std::string printed = Printable(std::string(1000, 'x'));
  EXPECT_EQ(printed, std::string(300, 'x') + "...");
  // A deep pointer keeps its start and its end.
  std::string deep;
  for (int i = 0; i < 200; ++i) deep = At(deep, "k");
  const std::string message = zvapp::jsontext::ErrorMessage("lead: ", {deep, "the problem"});
  EXPECT_EQ(message.rfind("lead: " + deep.substr(0, 100) + "...", 0), 0u) << message;
  EXPECT_EQ(message.substr(message.size() - 13), ": the problem") << message;
  EXPECT_LT(message.size(), 330u) << message;
  EXPECT_EQ(zvapp::jsontext::ErrorMessage("lead: ", {"", "whole file"}), "lead: whole file");
  const JsonError bad = Refusal([] { zvapp::jsontext::TextJson("a\xc3", "/name"); });
  EXPECT_EQ(bad.at, "/name");
  EXPECT_EQ(bad.problem, "the text \"a\\xc3\" is not valid UTF-8");
}

TEST(JsonTextTest, TypedReadersTakeTheirWholeRangeAndNothingElse) {
  using namespace zvapp::jsontext;
  EXPECT_EQ(ReadInteger(Json(-5), "", -5, 5), -5);
  EXPECT_EQ(ReadInteger(Json(5u), "", -5, 5), 5);
  EXPECT_EQ(Refusal([] { ReadInteger(Json(6u), "/n", -5, 5); }).problem,
            "expected a whole number from -5 to 5");
  EXPECT_EQ(Refusal([] { ReadInteger(Json(-6), "/n", -5, 5); }).at, "/n");
  EXPECT_EQ(Refusal([] { ReadInteger(Json(1.0), "", -5, 5); }).problem, "expected a whole number");
  EXPECT_TRUE(std::isinf(ReadNumber(Json("-inf"), "", false)));
  EXPECT_EQ(Refusal([] { ReadNumber(Json("inf"), "", true); }).problem, "expected a finite number");
  EXPECT_EQ(ReadFraction(Json(1), ""), 1.0);
  EXPECT_EQ(Refusal([] { ReadFraction(Json(-0.001), ""); }).problem,
            "expected a number from 0 to 1");
  EXPECT_EQ(Refusal([] { ReadVector(Json::parse(R"([1, 2, "x"])"), "/v", true); }).at, "/v/2");
  constexpr Named kTable[] = {{1, "one"}, {2, "two"}};
  EXPECT_EQ(ReadName(kTable, Json("two"), ""), 2);
  EXPECT_EQ(Refusal([&] { ReadName(kTable, Json("three"), ""); }).problem,
            "expected one of \"one\", \"two\"");
  EXPECT_EQ(Refusal([] { CheckMembers(Json::parse(R"({"a": 1, "b~": 2})"), "/o", {"a"}); }).at,
            "/o/b~0");
}

}  // namespace
