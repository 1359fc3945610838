// The summary without its windows: grouping, filter states, exact totals,
// the two orders, the pie's slices and the graph's paging.

#include <gtest/gtest.h>

#include "dbase/table.h"
#include "query/summary/summary.h"
#include "query/summary/summarygraph.h"
#include "support/storefixture.h"

namespace {

using storetest::TempDir;
using T = dbase::FieldType;

// Fields: 0 number, 1 mark, 2 key text, 3 date, 4 value N(20,2).
constexpr int kKey = 2, kDate = 3, kValue = 4;

struct Rec {
  const char* mark;
  const char* key;   // Windows-1252
  const char* date;  // YYYYMMDD or ""
  const char* value;
};

class SummaryPass : public ::testing::Test {
 protected:
  TempDir dir_;
  dbase::Table t_;

  void make(const std::vector<Rec>& recs, bool deleteSecond = false) {
    const std::string path = dir_.file("s.dbf");
    dbase::Table::create(path, {{"NUMBER", T::Numeric, 10, 0},
                                {"MARK", T::Character, 1, 0},
                                {"KEY", T::Character, 40, 0},
                                {"DATE", T::Date, 8, 0},
                                {"VALUE", T::Numeric, 20, 2}});
    t_.open(path);
    for (const Rec& r : recs) {
      t_.append();
      t_.setString(1, r.mark);
      t_.setString(kKey, r.key);
      if (*r.date) t_.setString(kDate, r.date);
      if (*r.value) t_.setString(kValue, r.value);
      t_.post();
    }
    if (deleteSecond) {
      t_.goToRecord(2);
      t_.deleteRecord();
    }
  }
  // key=count/amount/percent per group, in display order.
  std::vector<std::string> run(int field, int filterState, SummaryOrder order) {
    Summary s;
    s.groups = countSummary(t_, field, kValue, filterState).groups;
    s.arrange(order);
    std::vector<std::string> out;
    for (size_t i = 0; i < s.groups.size(); ++i) {
      const auto q = static_cast<qsizetype>(i);
      out.push_back((s.groups[i].key + "=" + s.counts[q] + "/" + s.amounts[q] + "/" + s.percents[q])
                        .toStdString());
    }
    out.push_back("total " + std::to_string(s.totalCount) + "/" +
                  amountText(s.grandTotal).toStdString());
    return out;
  }
};

TEST_F(SummaryPass, DatesGroupByMonth) {
  make({{"0", "a", "20240105", "10"},
        {"0", "b", "20240130", "30"},
        {"0", "c", "19990201", "60"},
        {"0", "d", "", ""}});
  EXPECT_EQ(run(kDate, 0, SummaryOrder::Name),
            (std::vector<std::string>{"=1/0.00/0.0", "24/01=2/40.00/40.0", "99/02=1/60.00/60.0",
                                      "total 4/100.00"}));
}

TEST_F(SummaryPass, FilterStatesCountTheirMarks) {
  make({{"2", "x", "", "1"},
        {"0", "x", "", "2"},
        {"3", "x", "", "4"},
        {"1", "x", "", "8"},
        {"0", "x", "", "16"}});
  EXPECT_EQ(run(kKey, 1, SummaryOrder::Name),
            (std::vector<std::string>{"x=2/5.00/100.0", "total 2/5.00"}));
  EXPECT_EQ(run(kKey, 2, SummaryOrder::Name),
            (std::vector<std::string>{"x=3/26.00/100.0", "total 3/26.00"}));
  EXPECT_EQ(run(kKey, 0, SummaryOrder::Name),
            (std::vector<std::string>{"x=5/31.00/100.0", "total 5/31.00"}));
}

TEST_F(SummaryPass, KeysIgnoreCaseAccentsIncludedAndDeletedRecordsAreLeftOut) {
  make({{"0", "\xE9mile Zola", "", "1.5"},
        {"0", "gone", "", "1000"},
        {"0", "\xC9MILE ZOLA", "", "2.5"},
        {"0", "Balzac", "", "-1"}},
       true);
  EXPECT_EQ(run(kKey, 0, SummaryOrder::Name),
            (std::vector<std::string>{"Balzac=1/-1.00/-33.3", "\u00E9mile Zola=2/4.00/133.3",
                                      "total 3/3.00"}));
}

TEST_F(SummaryPass, EmptyValuesGiveZeroTotalsAndPercents) {
  make({{"0", "a", "", ""}, {"0", "b", "", ""}, {"0", "", "", ""}});
  EXPECT_EQ(
      run(kKey, 0, SummaryOrder::Name),
      (std::vector<std::string>{"=1/0.00/0.0", "a=1/0.00/0.0", "b=1/0.00/0.0", "total 3/0.00"}));
}

TEST_F(SummaryPass, ValueOrderPutsTheLargestFirstAndReversesEqualTotals) {
  make({{"0", "a", "", "5"}, {"0", "b", "", "20"}, {"0", "c", "", "5"}, {"0", "d", "", "70"}});
  EXPECT_EQ(run(kKey, 0, SummaryOrder::Value),
            (std::vector<std::string>{"d=1/70.00/70.0", "b=1/20.00/20.0", "c=1/5.00/5.0",
                                      "a=1/5.00/5.0", "total 4/100.00"}));
}

TEST_F(SummaryPass, AmountsNearTheFieldsMaximumAddUpExactly) {
  make({{"0", "a", "", "99999999999999999.99"},
        {"0", "a", "", "99999999999999999.99"},
        {"0", "a", "", "99999999999999999.99"}});
  EXPECT_EQ(run(kKey, 0, SummaryOrder::Name),
            (std::vector<std::string>{"a=3/299999999999999999.97/100.0",
                                      "total 3/299999999999999999.97"}));
}

TEST(SummaryAmounts, ReadAndPrintExactly) {
  const std::pair<const char*, const char*> rows[] = {
      {"  12.50", "12.50"}, {"-3.5", "-3.50"}, {"", "0.00"},        {"abc", "0.00"},
      {"1.23456", "1.23"},  {"0.005", "0.01"}, {"-0.005", "-0.01"}, {"-0.001", "0.00"},
      {"1e3", "1000.00"},   {"+7", "7.00"},    {"12.5x", "0.00"},   {".25", "0.25"}};
  for (const auto& [in, out] : rows) EXPECT_EQ(amountText(parseAmount(in)), out) << in;
  EXPECT_EQ(percentText(parseAmount("1"), parseAmount("3")), "33.3");
  EXPECT_EQ(percentText(parseAmount("1"), 0), "0.0");
}

TEST(SummaryGraph, PieGathersSmallSharesIntoOther) {
  const auto slices = [](const QStringList& amounts) {
    QStringList keys;
    for (int i = 0; i < amounts.size(); ++i) keys << QString(QChar('A' + i));
    QStringList out;
    for (const PieSlice& s : pieSlices(keys, amounts))
      out << s.label + "=" + QString::number(s.value);
    return out;
  };
  EXPECT_EQ(slices({"50.00", "30.00", "19.00", "1.00"}),
            (QStringList{"A=50", "B=30", "C=19", "OTHER=1"}));
  EXPECT_EQ(slices({"98.00", "2.00"}), (QStringList{"A=98", "OTHER=2"}));
  EXPECT_EQ(slices({"90.00", "12.00", "-2.00"}), (QStringList{"A=90", "B=12"}));
  EXPECT_EQ(slices({"0.00", "0.00"}), QStringList());
  EXPECT_EQ(slices({"-5.00", "2.00"}), QStringList());
  EXPECT_EQ(slices({"x", "10"}), (QStringList{"B=10"}));
}

TEST(SummaryGraph, ItemsPerPageAndPaging) {
  const std::pair<const char*, int> rows[] = {{"", 1}, {"0", 1}, {"12", 12}, {"007", 7}};
  for (const auto& [text, n] : rows) EXPECT_EQ(itemsPerPageFrom(text), n) << text;
  EXPECT_EQ(rememberedItemsPerPage(), 10);

  GraphPaging p;
  p.reset(100000, 10);
  EXPECT_EQ(p.pageCount(), 10000);
  EXPECT_TRUE(p.buttonsVisible());
  EXPECT_FALSE(p.previousEnabled());
  p.setPage(10000);
  EXPECT_EQ(p.first(), 99990);
  EXPECT_EQ(p.count(), 10);
  EXPECT_FALSE(p.nextEnabled());
  p.reset(25, 10);
  p.setPage(3);
  EXPECT_EQ(p.count(), 5);
  p.reset(10, 10);
  EXPECT_FALSE(p.buttonsVisible());
}

}  // namespace
