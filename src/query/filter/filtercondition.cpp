#include "query/filter/filtercondition.h"

#include <QDate>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/filetext.h"
#include "dbase/table.h"
#include "query/find/findmatch.h"

uint8_t filterKindOf(const dbase::FieldDef& field) {
  using dbase::FieldType;
  switch (field.type) {
    case FieldType::Character:
      return fkText;
    case FieldType::Numeric:
    case FieldType::Float:
      // dBASE numbers are floating point to the table, with or without decimals.
      return fkFloat;
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

// Text compares by its codes, as unsigned characters (string_view's order).
std::string bytesOf(const QString& upper) { return toFileText(upper).toStdString(); }

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string_view trim(std::string_view s) {
  s = trimRight(s);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// A numeric field's value; 0 for a blank or unreadable one.
double fieldNumber(std::string_view bytes) {
  bytes = trim(bytes);
  if (!bytes.empty() && bytes.front() == '+') bytes.remove_prefix(1);
  double v = 0;
  const char* end = bytes.data() + bytes.size();
  const auto r = std::from_chars(bytes.data(), end, v);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return 0;
  return v;
}

// A date field's value as a Julian day; 0 for a blank or unreadable one.
int64_t fieldDate(std::string_view bytes) {
  if (bytes.size() != 8) return 0;
  int v[3] = {0, 0, 0};
  const int width[3] = {4, 2, 2};
  size_t at = 0;
  for (int part = 0; part < 3; ++part)
    for (int i = 0; i < width[part]; ++i, ++at) {
      const char ch = bytes[at];
      if (ch < '0' || ch > '9') return 0;
      v[part] = v[part] * 10 + (ch - '0');
    }
  if (!QDate::isValid(v[0], v[1], v[2]) || v[0] < 1) return 0;
  return dbase::toJulian(dbase::Date{v[0], v[1], v[2]});
}

}  // namespace

PreparedCondition::PreparedCondition(const FilterCondition& c, int dateFormat, QLocale locale)
    : c_(c), dateFormat_(dateFormat), locale_(std::move(locale)) {
  const auto number = [&](const QString& t) { return parseFilterNumber(t, locale_).value_or(0); };
  const auto date = [&](const QString& t) {
    return parseFilterDate(t, dateFormat_).value_or(noDateValue());
  };
  // Numbers and dates the normalising did not keep are read as each
  // comparison would read them.
  a_ = c.numbers ? c.firstNumber : number(c.first);
  b_ = c.numbers ? c.secondNumber : number(c.second);
  dateA_ = c.dates ? c.firstDate : date(c.first);
  dateB_ = c.dates ? c.secondDate : date(c.second);
  textA_ = bytesOf(c.first);
  textB_ = bytesOf(c.second);
  for (const QString& item : c.values) {
    textItems_.push_back(bytesOf(upperAscii(item)));
    numberItems_.push_back(number(item));
    dateItems_.push_back(date(item));
  }
}

bool PreparedCondition::passesNumber(double value) const {
  if (c_.op == foOneOf)
    return std::find(numberItems_.begin(), numberItems_.end(), value) != numberItems_.end();
  return compare(c_.op, value, a_, b_);
}

bool PreparedCondition::passesDate(int64_t julian) const {
  if (c_.op == foOneOf)
    return std::find(dateItems_.begin(), dateItems_.end(), julian) != dateItems_.end();
  return compare(c_.op, julian, dateA_, dateB_);
}

bool PreparedCondition::textAsNumber(std::string_view text, double* value) const {
  const std::string_view t = trim(text);
  // Plain digits read the same in every locale; anything else goes through it.
  const bool plain = !t.empty() && std::all_of(t.begin(), t.end(), [](char ch) {
    return (ch >= '0' && ch <= '9') || ch == '-';
  });
  if (plain) {
    const auto r = std::from_chars(t.data(), t.data() + t.size(), *value);
    if (r.ec == std::errc() && r.ptr == t.data() + t.size()) return true;
  }
  const auto n = parseFilterNumber(fromFileText(QByteArrayView(text.data(), text.size())), locale_);
  if (n) *value = *n;
  return n.has_value();
}

bool PreparedCondition::passesText(std::string_view upperText) const {
  if (c_.op == foOneOf)
    return std::find(textItems_.begin(), textItems_.end(), upperText) != textItems_.end();
  if (c_.numbers) {
    double n = 0;
    if (textAsNumber(upperText, &n)) return passesNumber(n);
  } else if (c_.dates) {
    const QString text = fromFileText(QByteArrayView(upperText.data(), upperText.size()));
    if (const auto d = parseFilterDate(text, dateFormat_)) return passesDate(*d);
  }
  return compare(c_.op, upperText, std::string_view(textA_), std::string_view(textB_));
}

bool PreparedCondition::passes(const dbase::Table& table) const {
  if (c_.undefined || c_.field >= table.fields().size()) return true;
  const std::string_view bytes = table.fieldBytes(c_.field);
  if (c_.kind == fkText) {
    const std::string_view text = trimRight(bytes);
    scratch_.assign(text);
    for (char& ch : scratch_)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    return passesText(scratch_);
  }
  if (isNumberKind(c_.kind)) return passesNumber(fieldNumber(bytes));
  if (c_.kind == fkDate) return passesDate(fieldDate(bytes));
  return true;
}
