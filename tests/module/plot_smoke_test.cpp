#include "test_support.h"
#include "zvplot.h"

namespace {

TEST(PlotSmoke, DefaultPlotSamples) {
  zvtest::Scene s;
  s.Evaluate();
  auto* plot = s.Data<ZVPlot>(s.plot);
  ASSERT_EQ(plot->GetSamples().GetCount(), 2601);
  EXPECT_DOUBLE_EQ(plot->GetSamples()[0].position.x, -100.0);
}
}  // namespace
