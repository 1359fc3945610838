#include "dbase/types.h"

#include "dbase/dbf.h"

namespace dbase {

namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

bool numberFits(const FieldDef& field, double value) {
  return formatNumber(value, field.length, field.decimals).has_value();
}

int64_t toJulian(const Date& d) {
  if (d.isBlank()) return 0;
  // Proleptic Gregorian calendar (Fliegel and Van Flandern).
  const int64_t y = d.year, m = d.month, day = d.day;
  const int64_t a = (m - 14) / 12;
  return (1461 * (y + 4800 + a)) / 4 + (367 * (m - 2 - 12 * a)) / 12 -
         (3 * ((y + 4900 + a) / 100)) / 4 + day - 32075;
}

Date fromJulian(int64_t julian) {
  if (julian <= 0) return {};
  int64_t l = julian + 68569;
  const int64_t n = (4 * l) / 146097;
  l = l - (146097 * n + 3) / 4;
  const int64_t i = (4000 * (l + 1)) / 1461001;
  l = l - (1461 * i) / 4 + 31;
  const int64_t j = (80 * l) / 2447;
  const int64_t day = l - (2447 * j) / 80;
  l = j / 11;
  const int64_t month = j + 2 - 12 * l;
  const int64_t year = 100 * (n - 49) + i + l;
  if (year <= 0 || year > 9999) return {};
  return Date{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

Date parseDtos(const std::string& text) {
  if (text.size() < 8) return {};
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (text[i] < '0' || text[i] > '9') return {};
    v[i] = text[i] - '0';
  }
  Date d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
  if (d.year == 0 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > daysInMonth(d.year, d.month))
    return {};
  return d;
}

std::string toDtos(const Date& d) {
  if (d.isBlank() || d.year < 0 || d.year > 9999) return std::string(8, ' ');
  std::string s(8, '0');
  int y = d.year;
  for (int i = 3; i >= 0; --i, y /= 10) s[i] = static_cast<char>('0' + y % 10);
  s[4] = static_cast<char>('0' + d.month / 10);
  s[5] = static_cast<char>('0' + d.month % 10);
  s[6] = static_cast<char>('0' + d.day / 10);
  s[7] = static_cast<char>('0' + d.day % 10);
  return s;
}

}  // namespace dbase
