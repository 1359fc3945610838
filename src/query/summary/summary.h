#pragma once

// Grouping the records by one field: counts, exact totals of the value field
// and each total's share of the grand total, without widgets.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dbase {
class Table;
struct FieldDef;
}  // namespace dbase

// Amounts in ten-thousandths, exact: a million of the largest values a
// numeric field holds still add up without overflow.
__extension__ typedef __int128 SummaryAmount;
inline constexpr int kAmountDecimals = 4;

// The amount of a numeric field's text ("  -12.50"); blanks and text that is
// not a number count as 0. Digits past the fourth decimal are rounded.
SummaryAmount parseAmount(std::string_view text);
// Rounded half away from zero to `decimals` (at most 4), "-1234.50".
QString amountText(SummaryAmount amount, int decimals = 2);
// share × 100 of the whole with one decimal; "0.0" when the whole is 0.
QString percentText(SummaryAmount part, SummaryAmount whole);

struct SummaryGroup {
  QString key;
  int32_t count = 0;
  SummaryAmount total = 0;
};

enum class SummaryOrder { Name = 0, Value = 1 };

// The groups in display order with their display texts and the totals.
struct Summary {
  std::vector<SummaryGroup> groups;
  QStringList counts, amounts, percents;
  int64_t totalCount = 0;
  SummaryAmount grandTotal = 0;

  // "Name": by key, case ignored; "Value": largest total first, groups of
  // equal totals in the reverse of their previous order. Then the texts.
  void arrange(SummaryOrder order);
  QStringList keys() const;
};

// The fields a summary can group by: label positions and labels of the user
// fields the table has, memo and picture fields left out, in label order.
std::vector<std::pair<int, QString>> summaryFieldChoices(const std::vector<dbase::FieldDef>& fields,
                                                         const QStringList& labels,
                                                         int firstUserField);

struct SummaryPassResult {
  std::vector<SummaryGroup> groups;  // in order of first appearance
  bool stopped = false;
};

// One pass over every record of the open table in file order: the
// records of the filter state (0 all; 1 marks above 1; 2 marks of 1 or
// less) grouped by `groupField` (dates by "yy/mm", other fields by their
// text, case ignored), each adding 1 and its `valueField` amount. `step` runs
// after each record with the records of the file passed and their total
// (deleted ones included); true stops the pass.
// Engine errors pass through as dbase::Error.
SummaryPassResult countSummary(dbase::Table& table, int groupField, int valueField, int filterState,
                               const std::function<bool(int64_t done, int64_t total)>& step = {});
