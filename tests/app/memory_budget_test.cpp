// The memory limit as a user sets it and as messages show it.
#include "memory_budget.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoryBudget, SizesAreReadWithTheirUnits) {
  const struct {
    const char* text;
    Int64 bytes;
  } sizes[] = {{"12000", 12000},
               {"64K", 64 << 10},
               {"512m", Int64{512} << 20},
               {"12G", Int64{12} << 30},
               {" 3g ", Int64{3} << 30}};
  for (const auto& s : sizes) {
    Int64 bytes = 0;
    EXPECT_TRUE(zvapp::ParseMemorySize(s.text, &bytes)) << s.text;
    EXPECT_EQ(bytes, s.bytes) << s.text;
  }
  for (const char* bad :
       {"", "G", "0", "-5M", "1.5G", "12T", "lots", "99999999999999999999", "9999999999999G"}) {
    Int64 bytes = 0;
    EXPECT_FALSE(zvapp::ParseMemorySize(bad, &bytes)) << bad;
  }
}

TEST(MemoryBudget, BytesAreShownInBinaryUnitsWithFewFigures) {
  EXPECT_EQ(zvapp::HumanBytes(800), "800 bytes");
  EXPECT_EQ(zvapp::HumanBytes(64 << 20), "64 MB");
  EXPECT_EQ(zvapp::HumanBytes(Int64{12} << 30), "12 GB");
  EXPECT_EQ(zvapp::HumanBytes(Int64{4} << 30), "4 GB");
  EXPECT_EQ(zvapp::HumanBytes((Int64{15} << 29)), "7.5 GB");
  EXPECT_EQ(zvapp::HumanBytes(Int64{26} * 1000 * 1000 * 1000), "24 GB");
}

}  // namespace
