#include "query/filter/filtercondition.h"

#include <QDate>
#include <cmath>

#include "core/filetext.h"
#include "dbase/error.h"
#include "dbase/table.h"
#include "query/find/findmatch.h"

uint8_t filterKindOf(const dbase::FieldDef& field) {
  using dbase::FieldType;
  switch (field.type) {
    case FieldType::Character:
      return fkText;
    case FieldType::Numeric:
    case FieldType::Float:
      return field.decimals > 0 ? fkFloat : fkInteger;
    case FieldType::Date:
      return fkDate;
    case FieldType::Logical:
      return fkLogical;
    case FieldType::Memo:
      return fkMemo;
    case FieldType::Binary:
      return fkBlob;
  }
  return 0;
}

bool isNumberKind(uint8_t kind) {
  return kind == fkInteger || kind == fkFloat || kind == fkCurrency || kind == fkDecimal;
}

std::optional<double> parseFilterNumber(const QString& text, const QLocale& locale) {
  QString t = text.trimmed();
  const QString group = locale.groupSeparator();
  if (!group.isEmpty()) t.remove(group);
  // Non-breaking spaces stand for the group separator where it is a space.
  if (group == QStringLiteral("\u202F") || group == QStringLiteral("\u00A0")) {
    t.remove(QChar(0x00A0));
    t.remove(QChar(0x202F));
  }
  if (t.isEmpty()) return std::nullopt;
  QLocale reader = locale;
  reader.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const double v = reader.toDouble(t, &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int64_t> parseFilterDate(const QString& text, int dateFormat) {
  if (dateFormat < 0 || dateFormat > 2) dateFormat = 0;
  const auto d = parseSearchDate(text, dateFormat);
  if (!d) return std::nullopt;
  return dbase::toJulian(*d);
}

int64_t noDateValue() { return dbase::toJulian(dbase::Date{2001, 1, 1}); }

QString upperAscii(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
  return out;
}

void FilterCondition::normalise(int dateFormat, const QLocale& locale) {
  first = upperAscii(first);
  second = upperAscii(second);
  numbers = false;
  dates = false;
  if (op == foOneOf || op > kLastFilterOperator) return;
  const auto n1 = parseFilterNumber(first, locale);
  const auto d1 = parseFilterDate(first, dateFormat);
  if (op == foBetween) {
    const auto n2 = parseFilterNumber(second, locale);
    const auto d2 = parseFilterDate(second, dateFormat);
    if (n1 && n2) {
      numbers = true;
      firstNumber = *n1;
      secondNumber = *n2;
    } else if (d1 && d2) {
      dates = true;
      firstDate = *d1;
      secondDate = *d2;
    }
    return;
  }
  if (n1) {
    numbers = true;
    firstNumber = *n1;
  } else if (d1) {
    dates = true;
    firstDate = *d1;
  }
}

namespace {

template <class T>
bool compare(uint8_t op, const T& value, const T& a, const T& b) {
  switch (op) {
    case foLess:
      return value < a;
    case foLessOrEqual:
      return value <= a;
    case foEqual:
      return value == a;
    case foGreaterOrEqual:
      return value >= a;
    case foGreater:
      return value > a;
    case foBetween:
      return a < value && value < b;
    default:
      return true;
  }
}

// Bytes compare by their codes, as unsigned characters.
struct Bytes {
  QByteArray b;
  friend bool operator<(const Bytes& x, const Bytes& y) {
    return std::lexicographical_compare(
        x.b.begin(), x.b.end(), y.b.begin(), y.b.end(),
        [](char p, char q) { return static_cast<uint8_t>(p) < static_cast<uint8_t>(q); });
  }
  friend bool operator>(const Bytes& x, const Bytes& y) { return y < x; }
  friend bool operator<=(const Bytes& x, const Bytes& y) { return !(y < x); }
  friend bool operator>=(const Bytes& x, const Bytes& y) { return !(x < y); }
  friend bool operator==(const Bytes& x, const Bytes& y) { return x.b == y.b; }
};

QByteArray upperBytes(std::string_view s) {
  QByteArray out(s.data(), static_cast<qsizetype>(s.size()));
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

}  // namespace

double ConditionTester::numberOr0(const QString& text) const {
  return parseFilterNumber(text, locale_).value_or(0.0);
}

int64_t ConditionTester::dateOrDefault(const QString& text) const {
  return parseFilterDate(text, dateFormat_).value_or(noDateValue());
}

bool ConditionTester::passesNumber(const FilterCondition& c, double value) const {
  if (c.op == foOneOf) {
    for (const QString& item : c.values)
      if (value == numberOr0(item)) return true;
    return false;
  }
  const double a = c.numbers ? c.firstNumber : numberOr0(c.first);
  const double b = c.numbers ? c.secondNumber : numberOr0(c.second);
  return compare(c.op, value, a, b);
}

bool ConditionTester::passesDate(const FilterCondition& c, int64_t julian) const {
  if (c.op == foOneOf) {
    for (const QString& item : c.values)
      if (julian == dateOrDefault(item)) return true;
    return false;
  }
  const int64_t a = c.dates ? c.firstDate : dateOrDefault(c.first);
  const int64_t b = c.dates ? c.secondDate : dateOrDefault(c.second);
  return compare(c.op, julian, a, b);
}

bool ConditionTester::passesText(const FilterCondition& c, const QByteArray& upperText) const {
  if (c.op == foOneOf) {
    for (const QString& item : c.values)
      if (upperText == toFileText(upperAscii(item))) return true;
    return false;
  }
  const QString text = fromFileText(upperText);
  if (c.numbers) {
    if (const auto n = parseFilterNumber(text, locale_)) return passesNumber(c, *n);
  } else if (c.dates) {
    if (const auto d = parseFilterDate(text, dateFormat_)) return passesDate(c, *d);
  }
  return compare(c.op, Bytes{upperText}, Bytes{toFileText(c.first)}, Bytes{toFileText(c.second)});
}

bool ConditionTester::passes(const FilterCondition& c, const dbase::Table& table) const {
  if (c.undefined || c.field >= table.fields().size()) return true;
  const int f = c.field;
  // A value the table cannot read counts as blank.
  if (c.kind == fkText) {
    std::string text;
    try {
      text = table.asString(f);
    } catch (const dbase::Error&) {
    }
    return passesText(c, upperBytes(text));
  }
  if (isNumberKind(c.kind)) {
    double v = 0;
    try {
      if (!table.isEmpty(f)) v = table.asNumber(f);
    } catch (const dbase::Error&) {
    }
    return passesNumber(c, v);
  }
  if (c.kind == fkDate) {
    int64_t v = 0;
    try {
      v = dbase::toJulian(table.asDate(f));
    } catch (const dbase::Error&) {
    }
    return passesDate(c, v);
  }
  return true;
}
