// The host's texts as plug-ins use them: number to text and comparison, with the meaning the host
// documents for each call.
#include <gtest/gtest.h>

#include <limits>

#include "c4d.h"

namespace {

std::string Text(const maxon::String& s) { return s.GetStdString(); }

TEST(HostString, FloatToStringWritesWhatEachCallAsksFor) {
  using maxon::String;
  // As many digits as the value needs to read back exactly.
  EXPECT_EQ(Text(String::FloatToString(0.1234567, maxon::STRING_MAXIMUM_PRECISION)), "0.1234567");
  EXPECT_EQ(Text(String::FloatToString(-172.8, maxon::STRING_MAXIMUM_PRECISION)), "-172.8");
  // Up to three decimals by default, trailing zeros left out; exactly N when N is given.
  EXPECT_EQ(Text(String::FloatToString(0.1234567)), "0.123");
  EXPECT_EQ(Text(String::FloatToString(2.5)), "2.5");
  EXPECT_EQ(Text(String::FloatToString(-0.0004)), "0");
  EXPECT_EQ(Text(String::FloatToString(2.5, maxon::STRING_DYNAMIC_DIGITS, 2)), "2.50");
  EXPECT_EQ(Text(String::FloatToString(-0.04, maxon::STRING_DYNAMIC_DIGITS, 1)), "0.0");
}

TEST(HostString, CompareReadsNumbersByValueUnlessAskedForMemoryOrder) {
  const String two("item2"), ten("item10");
  EXPECT_EQ(two.Compare(ten), maxon::COMPARERESULT::LESS);
  EXPECT_EQ(two.Compare(ten, maxon::STRINGCOMPARISON::MEMORY), maxon::COMPARERESULT::GREATER);
  EXPECT_EQ(String("Regular").Compare(String("REGULAR"), maxon::STRINGCOMPARISON::CASEINSENSITIVE),
            maxon::COMPARERESULT::EQUAL);
  EXPECT_EQ(String("a07").Compare(String("a7")), maxon::COMPARERESULT::EQUAL);
}

}  // namespace
