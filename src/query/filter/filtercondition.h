#pragma once

// One condition of the record filter: a field, how it is compared, the
// operator and the values typed for it; and how a record is tested against
// it. No widgets.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/types.h"

namespace dbase {
class Table;
}

// How a field is compared; the numbers are those the filter file stores.
enum FilterKind : uint8_t {
  fkText = 1,
  fkLogical = 5,
  fkInteger = 3,
  fkFloat = 6,
  fkCurrency = 7,
  fkDecimal = 8,
  fkDate = 9,
  fkBlob = 15,
  fkMemo = 16,
};
// The kind the filter gives a table field.
uint8_t filterKindOf(const dbase::FieldDef& field);
bool isNumberKind(uint8_t kind);

enum FilterOperator : uint8_t {
  foLess = 0,
  foLessOrEqual = 1,
  foEqual = 2,
  foGreaterOrEqual = 3,
  foGreater = 4,
  foBetween = 5,
  foOneOf = 6,
};
inline constexpr uint8_t kLastFilterOperator = foOneOf;

// Numbers as the user's locale writes them, its thousands separators left
// out; nothing for text that is no finite number.
std::optional<double> parseFilterNumber(const QString& text, const QLocale& locale = QLocale());
// Dates in the order of the date format setting (0 m/d/y, 1 d/m/y, 2 y/m/d;
// others m/d/y), as Julian day numbers.
std::optional<int64_t> parseFilterDate(const QString& text, int dateFormat);
// What a value that is no date counts as: 1 January 2001.
int64_t noDateValue();

// Letters a to z in capitals, nothing else changed.
QString upperAscii(const QString& text);

struct FilterCondition {
  uint8_t field = 0;  // table field number
  uint8_t kind = 0;
  bool undefined = true;  // added, no values yet: skipped
  QString first;          // upper case
  QString second;         // upper case, "Between" only
  QStringList values;     // "One Of", as entered
  uint8_t op = foLess;

  // Set by normalise(): both values (one for operators up to ">") read as
  // numbers, or else as dates.
  bool numbers = false;
  double firstNumber = 0;
  double secondNumber = 0;
  bool dates = false;
  int64_t firstDate = 0;
  int64_t secondDate = 0;

  void normalise(int dateFormat, const QLocale& locale = QLocale());
};

// A condition made ready for testing many records: its values in the
// table's bytes and parsed once.
class PreparedCondition {
 public:
  PreparedCondition(const FilterCondition& c, int dateFormat, QLocale locale = QLocale());
  // Whether the current record of `table` satisfies the condition; an
  // undefined condition or one on a field the table lacks always passes.
  bool passes(const dbase::Table& table) const;

  // The comparisons themselves, for a value already read.
  bool passesText(std::string_view upperText) const;
  bool passesNumber(double value) const;
  bool passesDate(int64_t julian) const;

 private:
  bool textAsNumber(std::string_view text, double* value) const;

  FilterCondition c_;
  int dateFormat_;
  QLocale locale_;
  double a_ = 0, b_ = 0;           // the values as numbers (0 when none)
  int64_t dateA_ = 0, dateB_ = 0;  // as dates (1 January 2001 when none)
  std::string textA_, textB_;      // as the table's bytes
  std::vector<std::string> textItems_;
  std::vector<double> numberItems_;
  std::vector<int64_t> dateItems_;
  mutable std::string scratch_;
};
