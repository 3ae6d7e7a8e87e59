// The figures behind the cost charts: which warehouses are charted and in which order, and
// the value axis.

#include "print/CostChart.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> Labels(const TCostChartData& data) {
  std::vector<std::string> labels;
  for (const TCostChartEntry& e : data.Entries()) labels.push_back(e.Label);
  return labels;
}

TEST(CostChart, KeepsTheHighestUnitCosts) {
  const struct {
    const char* name;
    int limit;
    std::vector<std::pair<std::string, double>> rows;
    std::vector<std::string> charted;
    bool truncated;
  } cases[] = {
      // Up to the limit: every warehouse, in the report's order.
      {"all kept", 3, {{"01", 5}, {"02", 9}, {"03", 1}}, {"01", "02", "03"}, false},
      // Past it: the highest unit costs, highest first.
      {"cut", 2, {{"01", 5}, {"02", 9}, {"03", 1}, {"04", 7}}, {"02", "04"}, true},
      // Of equal unit costs the earlier row stays.
      {"ties", 2, {{"01", 4}, {"02", 4}, {"03", 4}}, {"01", "02"}, true},
      // Negative unit costs (credits) are the lowest.
      {"negative", 1, {{"01", -3}, {"02", 0}}, {"02"}, true},
      {"none", 30, {}, {}, false},
      // A missing unit cost (NaN) ranks below every figure, negative ones included.
      {"missing", 2, {{"01", kMissing}, {"02", -3}, {"03", 1}}, {"03", "02"}, true},
      {"missing kept", 3, {{"01", 2}, {"02", kMissing}}, {"01", "02"}, false},
  };
  for (const auto& c : cases) {
    TCostChartData data(c.limit);
    // Rows that would not be kept are counted without their figures, as the report reads them.
    for (const auto& [label, cost] : c.rows) {
      if (data.Wants(cost)) {
        data.Add(label, cost, {cost});
      } else {
        data.Skip();
      }
    }
    EXPECT_EQ(Labels(data), c.charted) << c.name;
    EXPECT_EQ(data.Truncated(), c.truncated) << c.name;
    EXPECT_EQ(data.Total(), static_cast<long>(c.rows.size())) << c.name;
  }
}

TEST(CostChart, ThousandsOfWarehousesKeepOnlyTheLimit) {
  TCostChartData data(30);
  for (int i = 0; i < 5000; ++i) data.Add(std::to_string(i), (i * 7919) % 5000, {});
  const std::vector<TCostChartEntry> entries = data.Entries();
  ASSERT_EQ(entries.size(), 30u);
  for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i].UnitCost, 4999 - i);
}

TEST(CostChart, AxisStepsAreRound) {
  const struct {
    double low, high;
    double step, first, last;
  } cases[] = {
      {0, 289.79, 50, 0, 300},
      {0, 92'000'000, 20'000'000, 0, 100'000'000},
      {0, 0.8, 0.2, 0, 0.8},
      {-120, 480, 100, -200, 500},
      // Nothing to show: one step above zero.
      {0, 0, 1, 0, 1},
  };
  for (const auto& c : cases) {
    double first = 0, last = 0;
    EXPECT_DOUBLE_EQ(AxisStep(c.low, c.high, 6, first, last), c.step) << c.high;
    EXPECT_DOUBLE_EQ(first, c.first) << c.high;
    EXPECT_DOUBLE_EQ(last, c.last) << c.high;
  }
}

}  // namespace
